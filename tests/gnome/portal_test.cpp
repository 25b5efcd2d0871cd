// The portal desktop's own reading: the close shortcut as GSettings writes
// it, and the characters a layout lacks, told once per connection.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdio>
#include <string>

#include "platform/linux/missing_characters.h"
#include "platform/portal/portal_desktop.h"

namespace {

struct Case {
    const char* setting;
    bool parsed;
    PortalShortcut expected;
};

TEST(PortalShortcut, ReadsTheFirstBinding) {
    const Case cases[] = {
        {"['<Alt>F4']\n", true, {XKB_KEY_F4, false, false, true, false}},
        {"['<Primary><Shift>q', '<Alt>F4']", true, {XKB_KEY_q, true, true, false, false}},
        {"['<Super>w']", true, {XKB_KEY_w, false, false, false, true}},
        {"['<Control><Alt>Delete']", true, {XKB_KEY_Delete, true, false, true, false}},
        // Disabled, unknown modifiers and keys, broken text: GNOME's default stays.
        {"@as []", false, {}},
        {"['<Hyper>F4']", false, {}},
        {"['<Alt>NoSuchKey']", false, {}},
        {"['<Alt>']", false, {}},
        {"['<Alt F4']", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        PortalShortcut shortcut{1, true, true, true, true};
        ASSERT_EQ(PortalParseShortcut(c.setting, &shortcut), c.parsed) << c.setting;
        if (!c.parsed) continue;
        EXPECT_EQ(shortcut.keysym, c.expected.keysym) << c.setting;
        EXPECT_EQ(shortcut.control, c.expected.control) << c.setting;
        EXPECT_EQ(shortcut.shift, c.expected.shift) << c.setting;
        EXPECT_EQ(shortcut.alt, c.expected.alt) << c.setting;
        EXPECT_EQ(shortcut.super, c.expected.super) << c.setting;
    }
}

// Without a session bus the error output still tells.
TEST(MissingCharacters, AreToldOnceEachConnectionWithWhatMakesThemTypable) {
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    MissingCharactersReset();
    EXPECT_TRUE(MissingCharacterNote(0x2206));   // the first asks for the telling
    EXPECT_FALSE(MissingCharacterNote(0x2206));  // a repeat is noted once
    EXPECT_FALSE(MissingCharacterNote(0xE4));
    testing::internal::CaptureStderr();
    MissingCharactersTell();
    MissingCharactersTell();
    std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(told.find("tastra: typed nothing for \u2206 (U+2206), \u00e4 (U+00E4): "), 0u) << told;
    EXPECT_NE(told.find("unicode-input"), std::string::npos) << told;
    EXPECT_EQ(told.find("typed nothing", told.find("typed nothing") + 1), std::string::npos) << "told twice: " << told;
    // Told: later characters are not told on this connection, a new one tells again.
    EXPECT_FALSE(MissingCharacterNote(0x221E));
    MissingCharactersReset();
    EXPECT_TRUE(MissingCharacterNote(0x221E));
    MissingCharactersReset();
}

TEST(MissingCharacters, TypingByCodeIsTheUsersFileInTheConfigurationFolder) {
    char folder[] = "/tmp/tastra-config-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    setenv("XDG_CONFIG_HOME", folder, 1);
    MissingCharactersReset();
    EXPECT_FALSE(UnicodeInputWanted());
    std::string tastra = std::string(folder) + "/tastra", file = tastra + "/unicode-input";
    ASSERT_EQ(mkdir(tastra.c_str(), 0700), 0);
    FILE* setting = std::fopen(file.c_str(), "w");
    ASSERT_NE(setting, nullptr);
    std::fclose(setting);
    EXPECT_FALSE(UnicodeInputWanted()) << "read once per connection";
    MissingCharactersReset();
    EXPECT_TRUE(UnicodeInputWanted());
    // A relative folder is ignored, as the XDG rules say: HOME's is taken.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", folder, 1);
    MissingCharactersReset();
    EXPECT_FALSE(UnicodeInputWanted());
    unlink(file.c_str());
    rmdir(tastra.c_str());
    rmdir(folder);
    MissingCharactersReset();
}

}  // namespace
