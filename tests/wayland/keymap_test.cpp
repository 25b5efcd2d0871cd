// The virtual keyboard's keymap, compiled as a receiving client compiles it,
// and the choice of the wayland desktop from the compositor's globals.
#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_keymap.h"
#include "platform/window.h"

namespace {

class KeymapTest : public ::testing::Test {
  protected:
    void SetUp() override { WaylandKeymapInit(&keymap); }
    void TearDown() override { Release(); }

    void Release() {
        if (state != nullptr) xkb_state_unref(state);
        if (compiled != nullptr) xkb_keymap_unref(compiled);
        if (context != nullptr) xkb_context_unref(context);
        state = nullptr;
        compiled = nullptr;
        context = nullptr;
    }

    void Compile() {
        Release();
        static char text[WAYLAND_KEYMAP_TEXT_BYTES];
        int size = WaylandKeymapText(&keymap, text, sizeof text);
        ASSERT_GT(size, 0);
        ASSERT_EQ(text[size - 1], 0);
        context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        compiled = xkb_keymap_new_from_string(context, text, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
        ASSERT_NE(compiled, nullptr);
        state = xkb_state_new(compiled);
    }

    // What a client sees when the key of this keysym is struck, as UTF-8.
    std::string Typed(uint32_t keysym, bool shift = false) {
        bool changed = false;
        int slot = WaylandKeymapSlot(&keymap, keysym, 0, &changed);
        EXPECT_FALSE(changed) << "keysym " << keysym << " was already there";
        xkb_mod_mask_t mods = shift ? 1u << xkb_keymap_mod_get_index(compiled, XKB_MOD_NAME_SHIFT) : 0;
        xkb_state_update_mask(state, mods, 0, 0, 0, 0, static_cast<xkb_layout_index_t>(WaylandKeymapGroup(slot)));
        char utf8[16] = {};
        xkb_state_key_get_utf8(state, static_cast<xkb_keycode_t>(WaylandKeymapKeycode(slot)), utf8, sizeof utf8);
        return utf8;
    }

    WaylandKeymap keymap{};
    xkb_context* context = nullptr;
    xkb_keymap* compiled = nullptr;
    xkb_state* state = nullptr;
};

std::string Utf8(char16_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

TEST_F(KeymapTest, EveryCharacterOfTheBaseSetTypesItselfWithAndWithoutShift) {
    Compile();
    // ASCII, Latin-1, and the euro sign and Ctrl specials beyond it.
    std::u16string characters = u"€∆≥≤∞";
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        characters += c;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        characters += c;
    for (char16_t c : characters) {
        uint32_t keysym = WaylandKeysymOfCharacter(c);
        ASSERT_NE(keysym, 0u) << static_cast<int>(c);
        EXPECT_EQ(Typed(keysym), Utf8(c)) << "U+" << std::hex << static_cast<int>(c);
        EXPECT_EQ(Typed(keysym, true), Utf8(c)) << "U+" << std::hex << static_cast<int>(c) << " with Shift";
    }
}

TEST_F(KeymapTest, OtherCharactersAreAddedAndTypeThemselves) {
    const std::u16string extras = u"αЖ☺ſ";
    for (char16_t c : extras) {
        bool changed = false;
        WaylandKeymapSlot(&keymap, WaylandKeysymOfCharacter(c), 1, &changed);
        EXPECT_TRUE(changed);
    }
    Compile();
    for (char16_t c : extras)
        EXPECT_EQ(Typed(WaylandKeysymOfCharacter(c)), Utf8(c));
}

TEST_F(KeymapTest, AFullKeymapGivesUpTheLeastRecentlyUsedExtraNeverTheBaseSet) {
    int base = keymap.count;
    int extras = WAYLAND_KEYMAP_SLOTS - base;
    ASSERT_GE(extras, 8) << "room for characters beyond the base set";
    bool changed = false;
    for (int i = 0; i < extras; ++i)
        WaylandKeymapSlot(&keymap, 0x01000400u + i, 10 + i, &changed);
    // The first extra is used again, so the second is the oldest.
    int reused = WaylandKeymapSlot(&keymap, 0x01000400u, 1000, &changed);
    changed = false;
    int slot = WaylandKeymapSlot(&keymap, 0x010003B1u, 1001, &changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(slot, base + 1);
    EXPECT_NE(slot, reused);
    EXPECT_EQ(keymap.count, WAYLAND_KEYMAP_SLOTS);
    Compile();
    EXPECT_EQ(Typed('a'), "a");
    EXPECT_EQ(Typed(0x010003B1u), Utf8(u'α'));
    // Every other extra still types itself, in whichever group it is.
    for (int i = 2; i < extras; ++i)
        EXPECT_EQ(Typed(0x01000400u + i), Utf8(static_cast<char16_t>(0x400 + i))) << i;
}

// The seat announces keymaps as the compositor writes them out again: ours
// is told from the layouts a compositor puts on every keyboard.
TEST_F(KeymapTest, OursIsToldFromTheCompositorsLayoutsAsTheSeatAnnouncesThem) {
    Compile();
    auto announced = [](xkb_keymap* keymap) {
        char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        bool ours = WaylandKeymapIsOurs(text, std::strlen(text) + 1);
        std::free(text);
        return ours;
    };
    EXPECT_TRUE(announced(compiled));
    for (const char* layout : {"us", "de"}) {
        xkb_rule_names names{nullptr, nullptr, layout, nullptr, nullptr};
        xkb_keymap* theirs = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        ASSERT_NE(theirs, nullptr) << layout;
        EXPECT_FALSE(announced(theirs)) << layout;
        xkb_keymap_unref(theirs);
    }
}

TEST(KeysymTest, KeysAndCharactersWithoutAKeyHaveNone) {
    EXPECT_EQ(WaylandKeysymOfVirtualKey(VK_UP), static_cast<uint32_t>(XKB_KEY_Up));
    EXPECT_EQ(WaylandKeysymOfVirtualKey(VK_DELETE), static_cast<uint32_t>(XKB_KEY_Delete));
    EXPECT_EQ(WaylandKeysymOfVirtualKey(0x41), 0u);
    EXPECT_EQ(WaylandKeysymOfCharacter(0x0D), static_cast<uint32_t>(XKB_KEY_Return));
    for (char16_t none : {u'\x01', u'\x0A', u'\x7F', u'\x85', u'\xD800'})
        EXPECT_EQ(WaylandKeysymOfCharacter(none), 0u);
}

TEST(ChoiceTest, TheWaylandDesktopNeedsAVirtualKeyboardToplevelsAndASeat) {
    struct Case {
        const char* compositor;
        std::initializer_list<const char*> globals;
        bool usable;
    };
    const Case cases[] = {
        {"sway",
         {"wl_compositor", "wl_seat", "zwp_virtual_keyboard_manager_v1", "zwlr_foreign_toplevel_manager_v1",
          "zwlr_output_manager_v1"},
         true},
        {"no output management",
         {"wl_seat", "zwp_virtual_keyboard_manager_v1", "zwlr_foreign_toplevel_manager_v1"},
         true},
        {"GNOME", {"wl_compositor", "wl_seat", "xdg_wm_base", "zwp_text_input_manager_v3"}, false},
        {"KDE Plasma", {"wl_seat", "org_kde_plasma_window_management", "zwlr_output_manager_v1"}, false},
        {"weston", {"wl_seat", "zwp_input_method_v1", "zwp_virtual_keyboard_manager_v1x"}, false},
        {"no toplevels", {"wl_seat", "zwp_virtual_keyboard_manager_v1"}, false},
        {"no seat", {"zwp_virtual_keyboard_manager_v1", "zwlr_foreign_toplevel_manager_v1"}, false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> globals(c.globals);
        EXPECT_EQ(WaylandDesktopUsableWith(globals.data(), static_cast<int>(globals.size())), c.usable) << c.compositor;
    }
}

}  // namespace
