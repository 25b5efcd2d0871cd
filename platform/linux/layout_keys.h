// The user's keyboard layout as the compositor sends it to every client that
// binds the seat's keyboard, and the keys that type each character in it.
#pragma once

#include <cstddef>
#include <cstdint>

struct xkb_context;
struct xkb_keymap;

// key: evdev code (XKB keycode - 8).
struct LayoutStroke {
    uint32_t key;
    bool shift;
    bool level3;
};

constexpr int LAYOUT_MAX_MISSING = 64;

struct LayoutKeys {
    xkb_context* context;
    xkb_keymap* keymap;
    uint32_t group;
    // Keys that hold a modifier (evdev codes); 0 when the layout has none.
    uint32_t shiftKey, level3Key, controlKey;
    // Keysyms asked for that the layout lacks, each once, until taken.
    uint32_t missing[LAYOUT_MAX_MISSING];
    int missingCount;
};

// A wl_keyboard keymap (xkb v1 text); replaces the last. false when it does
// not compile (the last stays).
bool LayoutKeysLoad(LayoutKeys* keys, const char* keymapText, size_t length);
void LayoutKeysFree(LayoutKeys* keys);
// From wl_keyboard.modifiers (group).
void LayoutKeysSetGroup(LayoutKeys* keys, uint32_t group);
// false when the layout lacks it.
bool LayoutKeysFind(const LayoutKeys* keys, uint32_t keysym, LayoutStroke* stroke);

// Types one keysym through `send(evdevKey, pressed)`: modifiers pressed
// around the key, released after. A keysym the layout lacks is typed as
// Ctrl+Shift+U, hex code, space when `unicodeInput`, else nothing and it is
// recorded as missing. false when nothing was typed.
typedef void (*LayoutSendKey)(uint32_t key, bool pressed);
bool LayoutKeysTypeKeysym(LayoutKeys* keys, uint32_t keysym, LayoutSendKey send, bool unicodeInput);

// Moves the recorded missing keysyms into `out` (at most `capacity`); returns how many.
int LayoutKeysTakeMissing(LayoutKeys* keys, uint32_t* out, int capacity);
