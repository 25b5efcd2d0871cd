// Implements platform/linux/layout_keys.h with xkbcommon.
#include "platform/linux/layout_keys.h"

#include <xkbcommon/xkbcommon.h>

namespace {

constexpr uint32_t EVDEV_OFFSET = 8;

// The first key whose first level in the group is `keysym`.
uint32_t KeyOnFirstLevel(xkb_keymap* keymap, uint32_t group, uint32_t keysym) {
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, code, group, 0, &syms) == 1 && syms[0] == keysym)
            return code - EVDEV_OFFSET;
    }
    return 0;
}

void FindModifierKeys(LayoutKeys* keys) {
    keys->shiftKey = KeyOnFirstLevel(keys->keymap, keys->group, XKB_KEY_Shift_L);
    if (keys->shiftKey == 0) keys->shiftKey = KeyOnFirstLevel(keys->keymap, keys->group, XKB_KEY_Shift_R);
    keys->level3Key = KeyOnFirstLevel(keys->keymap, keys->group, XKB_KEY_ISO_Level3_Shift);
    keys->controlKey = KeyOnFirstLevel(keys->keymap, keys->group, XKB_KEY_Control_L);
}

void Record(LayoutKeys* keys, uint32_t keysym) {
    for (int i = 0; i < keys->missingCount; ++i)
        if (keys->missing[i] == keysym) return;
    if (keys->missingCount < LAYOUT_MAX_MISSING) keys->missing[keys->missingCount++] = keysym;
}

void Stroke(const LayoutKeys* keys, const LayoutStroke& stroke, LayoutSendKey send) {
    if (stroke.shift) send(keys->shiftKey, true);
    if (stroke.level3) send(keys->level3Key, true);
    send(stroke.key, true);
    send(stroke.key, false);
    if (stroke.level3) send(keys->level3Key, false);
    if (stroke.shift) send(keys->shiftKey, false);
}

// Ctrl+Shift+U, the code in hex, space: what GTK and IBus take as a character.
bool TypeUnicode(const LayoutKeys* keys, uint32_t keysym, LayoutSendKey send) {
    uint32_t code = xkb_keysym_to_utf32(keysym);
    LayoutStroke u{}, space{};
    if (code == 0 || keys->controlKey == 0 || keys->shiftKey == 0 || !LayoutKeysFind(keys, XKB_KEY_u, &u) ||
        !LayoutKeysFind(keys, XKB_KEY_space, &space))
        return false;
    LayoutStroke digits[8];
    int count = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        uint32_t digit = (code >> shift) & 0xF;
        if (count == 0 && digit == 0 && shift > 0) continue;
        uint32_t sym = digit < 10 ? XKB_KEY_0 + digit : XKB_KEY_a + digit - 10;
        if (!LayoutKeysFind(keys, sym, &digits[count++])) return false;
    }
    send(keys->controlKey, true);
    send(keys->shiftKey, true);
    send(u.key, true);
    send(u.key, false);
    send(keys->shiftKey, false);
    send(keys->controlKey, false);
    for (int i = 0; i < count; ++i)
        Stroke(keys, digits[i], send);
    Stroke(keys, space, send);
    return true;
}

}  // namespace

bool LayoutKeysLoad(LayoutKeys* keys, const char* keymapText, size_t length) {
    if (keys->context == nullptr) keys->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (keys->context == nullptr) return false;
    // The text may end with its terminator.
    while (length > 0 && keymapText[length - 1] == 0)
        --length;
    xkb_keymap* keymap = xkb_keymap_new_from_buffer(keys->context, keymapText, length, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) return false;
    if (keys->keymap != nullptr) xkb_keymap_unref(keys->keymap);
    keys->keymap = keymap;
    keys->group = 0;
    FindModifierKeys(keys);
    return true;
}

void LayoutKeysFree(LayoutKeys* keys) {
    if (keys->keymap != nullptr) xkb_keymap_unref(keys->keymap);
    if (keys->context != nullptr) xkb_context_unref(keys->context);
    *keys = LayoutKeys{};
}

void LayoutKeysSetGroup(LayoutKeys* keys, uint32_t group) {
    if (keys->keymap == nullptr) return;
    uint32_t groups = xkb_keymap_num_layouts(keys->keymap);
    keys->group = groups > 0 ? group % groups : 0;
    FindModifierKeys(keys);
}

// The key with the fewest modifiers; among those the lowest code, so a main
// block key wins over a keypad one.
bool LayoutKeysFind(const LayoutKeys* keys, uint32_t keysym, LayoutStroke* stroke) {
    xkb_keymap* keymap = keys->keymap;
    if (keymap == nullptr || keysym == 0) return false;
    xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    xkb_mod_index_t level3Index = xkb_keymap_mod_get_index(keymap, "Mod5");
    xkb_mod_mask_t shift = shiftIndex == XKB_MOD_INVALID ? 0 : 1u << shiftIndex;
    xkb_mod_mask_t level3 = level3Index == XKB_MOD_INVALID || keys->level3Key == 0 ? 0 : 1u << level3Index;
    int best = 4;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
        xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, code);
        if (layouts == 0) continue;
        // A key with fewer groups than the keymap repeats its first.
        xkb_layout_index_t group = keys->group < layouts ? keys->group : 0;
        xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, code, group);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, code, group, level, &syms) != 1 || syms[0] != keysym) continue;
            xkb_mod_mask_t masks[8];
            size_t count = xkb_keymap_key_get_mods_for_level(keymap, code, group, level, masks, 8);
            for (size_t m = 0; m < count; ++m) {
                // Only Shift and AltGr are ever pressed.
                if ((masks[m] & ~(shift | level3)) != 0) continue;
                if ((masks[m] & shift) != 0 && keys->shiftKey == 0) continue;
                int cost = ((masks[m] & shift) ? 1 : 0) + ((masks[m] & level3) ? 2 : 0);
                if (cost >= best) continue;
                best = cost;
                *stroke = LayoutStroke{code - EVDEV_OFFSET, (masks[m] & shift) != 0, (masks[m] & level3) != 0};
            }
        }
    }
    return best < 4;
}

bool LayoutKeysTypeKeysym(LayoutKeys* keys, uint32_t keysym, LayoutSendKey send, bool unicodeInput) {
    LayoutStroke stroke{};
    if (LayoutKeysFind(keys, keysym, &stroke)) {
        Stroke(keys, stroke, send);
        return true;
    }
    if (unicodeInput && TypeUnicode(keys, keysym, send)) return true;
    Record(keys, keysym);
    return false;
}

int LayoutKeysTakeMissing(LayoutKeys* keys, uint32_t* out, int capacity) {
    int count = keys->missingCount < capacity ? keys->missingCount : capacity;
    for (int i = 0; i < count; ++i)
        out[i] = keys->missing[i];
    keys->missingCount = 0;
    return count;
}
