// The close shortcut as GSettings writes it, read into the keys typed.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

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

}  // namespace
