// Characters to keys on real layouts from xkeyboard-config, handed over as
// a compositor hands its keymap to a client: the keymap's text.
#include "platform/linux/layout_keys.h"
#include "platform/linux/lock_lights.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string KeymapText(const char* layout) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_rule_names names{"evdev", "pc105", layout, "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    std::string text;
    if (keymap != nullptr) {
        char* s = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        text = s;
        std::free(s);
    }
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return text;
}

struct Sent {
    uint32_t key;
    bool pressed;
    bool operator==(const Sent&) const = default;
};
void Record(void* sink, uint32_t key, bool pressed) {
    static_cast<std::vector<Sent>*>(sink)->push_back({key, pressed});
}

class LayoutKeysTest : public ::testing::Test {
  protected:
    void TearDown() override { LayoutKeysFree(&keys); }
    void Load(const char* layout) {
        std::string text = KeymapText(layout);
        ASSERT_FALSE(text.empty()) << layout;
        ASSERT_TRUE(LayoutKeysLoad(&keys, text.c_str(), text.size() + 1));
    }
    LayoutKeys keys;
};

// The keys a person presses for each character, from the layouts' charts.
TEST_F(LayoutKeysTest, EachCharacterOnItsKeyWithShiftAndAltGr) {
    struct Case {
        const char* layout;
        uint32_t character;
        bool found;
        LayoutStroke stroke;
    };
    const Case cases[] = {
        {"us", 'a', true, {KEY_A, false, false}},
        {"us", 'A', true, {KEY_A, true, false}},
        {"us", '@', true, {KEY_2, true, false}},
        {"us", '\\', true, {KEY_BACKSLASH, false, false}},
        {"us", 0xE4, false, {}},    // ä
        {"us", 0x20AC, false, {}},  // €
        {"de", 'z', true, {KEY_Y, false, false}},
        {"de", 'y', true, {KEY_Z, false, false}},
        {"de", '@', true, {KEY_Q, false, true}},
        {"de", 0x20AC, true, {KEY_E, false, true}},
        {"de", 0xE4, true, {KEY_APOSTROPHE, false, false}},
        {"de", 0xC4, true, {KEY_APOSTROPHE, true, false}},
        {"de", 0xA1, true, {KEY_1, true, true}},  // ¡ on the fourth level
        {"de", '~', true, {KEY_RIGHTBRACE, false, true}},
        {"de", 0x221E, false, {}},  // ∞
    };
    const char* loaded = "";
    for (const Case& c : cases) {
        if (std::string(loaded) != c.layout) Load(loaded = c.layout);
        SCOPED_TRACE(testing::Message() << c.layout << " U+" << std::hex << c.character);
        LayoutStroke got{};
        ASSERT_EQ(LayoutKeysFind(&keys, xkb_utf32_to_keysym(c.character), &got), c.found);
        if (!c.found) continue;
        EXPECT_EQ(got.key, c.stroke.key);
        EXPECT_EQ(got.shift, c.stroke.shift);
        EXPECT_EQ(got.level3, c.stroke.level3);
    }
}

// Caps Lock on, the second layout of two active: what arrives is still the character asked for.
TEST_F(LayoutKeysTest, LocksAndTheActiveGroupAreTakenIntoAccount) {
    Load("us,de");
    LayoutStroke got{};
    xkb_mod_index_t caps = xkb_keymap_mod_get_index(keys.keymap, XKB_MOD_NAME_CAPS);
    LayoutKeysSetState(&keys, 1u << caps, 0);
    ASSERT_TRUE(LayoutKeysFind(&keys, 'a', &got));
    EXPECT_TRUE(got.shift) << "Shift undoes Caps Lock for a letter";
    ASSERT_TRUE(LayoutKeysFind(&keys, 'A', &got));
    EXPECT_FALSE(got.shift);
    LayoutKeysSetState(&keys, 0, 1);
    ASSERT_TRUE(LayoutKeysFind(&keys, 'z', &got));
    EXPECT_EQ(got.key, static_cast<uint32_t>(KEY_Y));
}

// Modifiers go down before the key and up after it; a missing character is
// typed as its code, or not at all.
TEST_F(LayoutKeysTest, TypingPressesModifiersAroundTheKeyOrSpellsTheCode) {
    Load("de");
    std::vector<Sent> sent;
    LayoutSink sink{Record, &sent};
    ASSERT_TRUE(LayoutKeysType(&keys, xkb_utf32_to_keysym(0x20AC), sink, false));
    const std::vector<Sent> euro = {{KEY_RIGHTALT, true}, {KEY_E, true}, {KEY_E, false}, {KEY_RIGHTALT, false}};
    EXPECT_EQ(sent, euro);

    sent.clear();
    EXPECT_FALSE(LayoutKeysType(&keys, xkb_utf32_to_keysym(0x221E), sink, false));
    EXPECT_TRUE(sent.empty()) << "nothing wrong is typed";
    ASSERT_TRUE(LayoutKeysType(&keys, xkb_utf32_to_keysym(0x221E), sink, true));
    std::vector<uint32_t> pressed;
    for (const Sent& s : sent)
        if (s.pressed) pressed.push_back(s.key);
    // Ctrl+Shift+U, 2 2 1 e, space; on de the digits need no modifier.
    const std::vector<uint32_t> spelled = {KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_U, KEY_2, KEY_2, KEY_1, KEY_E, KEY_SPACE};
    EXPECT_EQ(pressed, spelled);
}

// A character only a dead key gives is typed as the dead key and what the
// compose sequences complete it with, so nothing is left pending; a
// character a key gives is never typed so.
TEST_F(LayoutKeysTest, DeadKeysAreCompletedToTheirCharacter) {
    struct Case {
        const char* layout;
        uint32_t character;
        std::vector<uint32_t> pressed;
    };
    const Case cases[] = {
        {"de", '^', {KEY_GRAVE, KEY_SPACE}},                 // dead_circumflex
        {"de", '`', {KEY_LEFTSHIFT, KEY_EQUAL, KEY_SPACE}},  // dead_grave
        {"de", 0xB4, {KEY_EQUAL, KEY_EQUAL}},                // ´: dead_acute and space give '
        {"de", 0xB8, {KEY_RIGHTALT, KEY_EQUAL, KEY_SPACE}},  // ¸, dead_cedilla
        {"de", '\'', {KEY_LEFTSHIFT, KEY_BACKSLASH}},        // its own key, not dead_acute space
        {"de", 0xEA, {}},                                    // ê: dead_circumflex e, not space
        {"us", '^', {KEY_LEFTSHIFT, KEY_6}},
    };
    const char* loaded = "";
    for (const Case& c : cases) {
        if (std::string(loaded) != c.layout) Load(loaded = c.layout);
        SCOPED_TRACE(testing::Message() << c.layout << " U+" << std::hex << c.character);
        std::vector<Sent> sent;
        EXPECT_EQ(LayoutKeysType(&keys, xkb_utf32_to_keysym(c.character), LayoutSink{Record, &sent}, false),
                  !c.pressed.empty());
        std::vector<uint32_t> pressed;
        for (const Sent& s : sent)
            if (s.pressed) pressed.push_back(s.key);
        EXPECT_EQ(pressed, c.pressed);
    }
}

TEST_F(LayoutKeysTest, AKeymapThatDoesNotCompileKeepsTheLastOne) {
    Load("de");
    EXPECT_FALSE(LayoutKeysLoad(&keys, "xkb_keymap { nonsense", 21));
    LayoutStroke got{};
    ASSERT_TRUE(LayoutKeysFind(&keys, 'z', &got));
    EXPECT_EQ(got.key, static_cast<uint32_t>(KEY_Y));
}

// The keyboards' Caps Lock lights, as sysfs shows them: any lit is on.
TEST(CapsLockLight, AnyKeyboardsLightLitMeansOn) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> lights;  // name, brightness
        LockLight expected;
    };
    const Case cases[] = {
        {{}, LockLight::NONE},
        {{{"input3::numlock", "1"}}, LockLight::NONE},
        {{{"input3::capslock", "0\n"}, {"input3::numlock", "1"}}, LockLight::DARK},
        {{{"input3::capslock", "0\n"}, {"input9::capslock", "1\n"}}, LockLight::LIT},
        {{{"input3::capslock", "broken"}}, LockLight::NONE},
    };
    std::filesystem::path root = std::filesystem::temp_directory_path() / "tastra-lights";
    for (const Case& c : cases) {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "class/leds");
        for (const auto& [name, brightness] : c.lights) {
            std::filesystem::create_directories(root / "class/leds" / name);
            std::ofstream(root / "class/leds" / name / "brightness") << brightness;
        }
        UseLockLightRoot(root.c_str());
        EXPECT_EQ(CapsLockLight(), c.expected) << c.lights.size() << " lights";
    }
    UseLockLightRoot(nullptr);
    std::filesystem::remove_all(root);
}

}  // namespace
