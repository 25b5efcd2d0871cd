// Implements platform/linux/layout_keys.h with xkbcommon.
#include "platform/linux/layout_keys.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kEvdevOffset = 8;
constexpr xkb_keycode_t kLastXKeycode = 255;

// The modifiers a key sets when pressed alone, and its key. From the top
// down: xkeyboard-config puts AltGr on a key no keyboard has (<LVL3>) below
// Right Alt, the key a person presses.
bool FindModifierKey(LayoutKeys* keys, xkb_keysym_t sym, LayoutStroke* stroke, uint32_t* mask) {
    xkb_keycode_t first = xkb_keymap_min_keycode(keys->keymap);
    xkb_keycode_t last = xkb_keymap_max_keycode(keys->keymap);
    if (last > kLastXKeycode) last = kLastXKeycode;
    for (xkb_keycode_t code = last; code >= first && code >= kEvdevOffset; --code) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keys->keymap, code, 0, 0, &syms) != 1 || syms[0] != sym) continue;
        xkb_state* state = xkb_state_new(keys->keymap);
        if (state == nullptr) return false;
        xkb_state_update_key(state, code, XKB_KEY_DOWN);
        if (mask != nullptr) *mask = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
        xkb_state_unref(state);
        *stroke = LayoutStroke{code - kEvdevOffset, false, false, sym};
        return true;
    }
    return false;
}

// The locale programs take their compose sequences from, as xkbcommon
// advises them to find it.
const char* ComposeLocale() {
    const char* const names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != 0) return value;
    }
    return "C";
}

uint32_t CharacterOf(xkb_keysym_t sym) { return xkb_keysym_to_utf32(sym); }

bool Gives(xkb_keysym_t got, xkb_keysym_t wanted) {
    if (got == XKB_KEY_NoSymbol) return false;
    if (got == wanted) return true;
    uint32_t character = CharacterOf(wanted);
    // Only printable characters: Return and Tab have characters too, but a
    // keypad Enter is not the Return key.
    return character >= 0x20 && character != 0x7F && CharacterOf(got) == character;
}

// Every key under each combination of Shift and AltGr, fewest modifiers
// first, as the receiving program's own xkb state would see it with the
// user's locks on: the first whose keysym `accept` takes.
template <typename Accept>
bool FindKey(const LayoutKeys* keys, Accept accept, LayoutStroke* stroke) {
    if (keys->keymap == nullptr) return false;
    struct Held {
        bool shift, level3;
    };
    const Held combinations[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    // X programs on Xwayland receive no keycode above 255: keys there (a
    // euro key of xkeyboard-config's, say) would type nothing into them.
    xkb_keycode_t last = xkb_keymap_max_keycode(keys->keymap);
    if (last > kLastXKeycode) last = kLastXKeycode;
    for (const Held& held : combinations) {
        if ((held.shift && keys->shiftKey.key == 0) || (held.level3 && keys->level3Key.key == 0)) continue;
        uint32_t depressed = (held.shift ? keys->shiftMask : 0) | (held.level3 ? keys->level3Mask : 0);
        xkb_state_update_mask(keys->probe, depressed, 0, keys->lockedMods, 0, 0, keys->group);
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keys->keymap); code <= last; ++code) {
            xkb_keysym_t sym = code < kEvdevOffset ? XKB_KEY_NoSymbol : xkb_state_key_get_one_sym(keys->probe, code);
            if (sym == XKB_KEY_NoSymbol || !accept(sym)) continue;
            *stroke = LayoutStroke{code - kEvdevOffset, held.shift, held.level3, sym};
            return true;
        }
    }
    return false;
}

// Whether the compose sequence `first` `second` completes to `wanted`, its
// keysym and its text alike (programs take either).
bool ComposesTo(xkb_compose_state* state, xkb_keysym_t first, xkb_keysym_t second, xkb_keysym_t wanted) {
    xkb_compose_state_reset(state);
    if (xkb_compose_state_feed(state, first) != XKB_COMPOSE_FEED_ACCEPTED ||
        xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSING)
        return false;
    xkb_compose_state_feed(state, second);
    if (xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSED) return false;
    char got[16], expected[16];
    return Gives(xkb_compose_state_get_one_sym(state), wanted) &&
           xkb_compose_state_get_utf8(state, got, sizeof got) > 0 &&
           xkb_keysym_to_utf8(wanted, expected, sizeof expected) > 0 && std::strcmp(got, expected) == 0;
}

// A dead key and what completes it to `keysym`: space, else the dead key
// again (dead_acute twice gives ´, with space an apostrophe).
bool FindDeadKey(const LayoutKeys* keys, xkb_keysym_t keysym, LayoutStroke strokes[2]) {
    LayoutStroke space{};
    if (keys->compose == nullptr || xkb_keysym_to_utf32(keysym) == 0 || !LayoutKeysFind(keys, XKB_KEY_space, &space))
        return false;
    xkb_compose_state* state = xkb_compose_state_new(keys->compose, XKB_COMPOSE_STATE_NO_FLAGS);
    if (state == nullptr) return false;
    bool twice = false;
    auto completes = [&](xkb_keysym_t first) {
        if (ComposesTo(state, first, space.keysym, keysym)) return true;
        twice = ComposesTo(state, first, first, keysym);
        return twice;
    };
    bool found = FindKey(keys, completes, &strokes[0]);
    xkb_compose_state_unref(state);
    if (found) strokes[1] = twice ? strokes[0] : space;
    return found;
}

void TypeStroke(const LayoutKeys* keys, const LayoutStroke& stroke, const LayoutSink& sink, bool control = false) {
    if (control) sink.send(sink.sink, keys->controlKey.key, true);
    if (stroke.shift) sink.send(sink.sink, keys->shiftKey.key, true);
    if (stroke.level3) sink.send(sink.sink, keys->level3Key.key, true);
    sink.send(sink.sink, stroke.key, true);
    sink.send(sink.sink, stroke.key, false);
    if (stroke.level3) sink.send(sink.sink, keys->level3Key.key, false);
    if (stroke.shift) sink.send(sink.sink, keys->shiftKey.key, false);
    if (control) sink.send(sink.sink, keys->controlKey.key, false);
}

// Ctrl+Shift+U, the code in hex, a space; false when the layout lacks a
// key of it (nothing is typed then).
bool TypeUnicodeInput(const LayoutKeys* keys, uint32_t character, const LayoutSink& sink) {
    LayoutStroke u{}, space{};
    LayoutStroke digits[8];
    char hex[9];
    int count = 0;
    for (uint32_t rest = character; count == 0 || rest != 0; rest >>= 4)
        hex[count++] = "0123456789abcdef"[rest & 0xF];
    if (keys->controlKey.key == 0 || keys->shiftKey.key == 0) return false;
    if (!LayoutKeysFind(keys, XKB_KEY_u, &u) || !LayoutKeysFind(keys, XKB_KEY_space, &space)) return false;
    for (int i = 0; i < count; ++i)
        if (!LayoutKeysFind(keys, static_cast<uint32_t>(hex[count - 1 - i]), &digits[i])) return false;
    u.shift = true;
    TypeStroke(keys, u, sink, true);
    for (int i = 0; i < count; ++i)
        TypeStroke(keys, digits[i], sink);
    TypeStroke(keys, space, sink);
    return true;
}

}  // namespace

bool LayoutKeysLoad(LayoutKeys* keys, const char* text, size_t length) {
    if (keys->context == nullptr) {
        keys->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (keys->context == nullptr) return false;
        keys->compose = xkb_compose_table_new_from_locale(keys->context, ComposeLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
    }
    if (text == nullptr) return false;
    size_t size = strnlen(text, length);
    xkb_keymap* keymap =
        xkb_keymap_new_from_buffer(keys->context, text, size, XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* probe = keymap != nullptr ? xkb_state_new(keymap) : nullptr;
    if (probe == nullptr) {
        xkb_keymap_unref(keymap);
        return false;
    }
    if (keys->probe != nullptr) xkb_state_unref(keys->probe);
    if (keys->keymap != nullptr) xkb_keymap_unref(keys->keymap);
    keys->keymap = keymap;
    keys->probe = probe;
    keys->group = 0;
    keys->lockedMods = 0;
    keys->shiftMask = keys->level3Mask = 0;
    keys->shiftKey = keys->level3Key = keys->controlKey = LayoutStroke{};
    FindModifierKey(keys, XKB_KEY_Shift_L, &keys->shiftKey, &keys->shiftMask);
    FindModifierKey(keys, XKB_KEY_ISO_Level3_Shift, &keys->level3Key, &keys->level3Mask);
    FindModifierKey(keys, XKB_KEY_Control_L, &keys->controlKey, nullptr);
    return true;
}

void LayoutKeysSetState(LayoutKeys* keys, uint32_t lockedMods, uint32_t group) {
    keys->lockedMods = lockedMods;
    keys->group = group;
}

uint32_t LayoutKeysLock(const LayoutKeys* keys, uint32_t locked, const char* modifier, bool on) {
    xkb_mod_index_t index = keys->keymap ? xkb_keymap_mod_get_index(keys->keymap, modifier) : XKB_MOD_INVALID;
    if (index == XKB_MOD_INVALID) return locked;
    return on ? locked | (1u << index) : locked & ~(1u << index);
}

void LayoutKeysFree(LayoutKeys* keys) {
    if (keys->compose != nullptr) xkb_compose_table_unref(keys->compose);
    if (keys->probe != nullptr) xkb_state_unref(keys->probe);
    if (keys->keymap != nullptr) xkb_keymap_unref(keys->keymap);
    if (keys->context != nullptr) xkb_context_unref(keys->context);
    *keys = LayoutKeys{};
}

bool LayoutKeysFind(const LayoutKeys* keys, uint32_t keysym, LayoutStroke* stroke) {
    return keysym != XKB_KEY_NoSymbol && FindKey(
                                             keys, [keysym](xkb_keysym_t sym) { return Gives(sym, keysym); }, stroke);
}

int LayoutKeysStrokes(const LayoutKeys* keys, uint32_t keysym, LayoutStroke strokes[2]) {
    if (LayoutKeysFind(keys, keysym, &strokes[0])) return 1;
    return FindDeadKey(keys, keysym, strokes) ? 2 : 0;
}

bool LayoutKeysType(const LayoutKeys* keys, uint32_t keysym, const LayoutSink& sink, bool unicodeInput) {
    LayoutStroke strokes[2];
    int count = LayoutKeysStrokes(keys, keysym, strokes);
    for (int i = 0; i < count; ++i)
        TypeStroke(keys, strokes[i], sink);
    if (count > 0) return true;
    uint32_t character = CharacterOf(keysym);
    return unicodeInput && character != 0 && TypeUnicodeInput(keys, character, sink);
}
