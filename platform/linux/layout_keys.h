// The user's keyboard layout, as a Wayland compositor sends it to every
// client that binds the seat's keyboard, and the keys that type a keysym in
// it: a keycode with Shift and AltGr held as needed, under the locks the
// user has on. For desktops that take keycodes, never keysyms (KWin's fake
// input, the RemoteDesktop portal): a keysym sent by itself types a wrong
// character on the third and fourth level.
#pragma once

#include <cstddef>
#include <cstdint>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct xkb_compose_table;

// One key of the layout. `key` is the evdev code (XKB keycode - 8);
// `keysym`, what it gives so.
struct LayoutStroke {
    uint32_t key;
    bool shift;
    bool level3;
    uint32_t keysym = 0;
};

struct LayoutKeys {
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* probe = nullptr;  // only to ask what a key gives
    uint32_t group = 0;
    uint32_t lockedMods = 0;
    uint32_t shiftMask = 0, level3Mask = 0;
    LayoutStroke shiftKey{}, level3Key{}, controlKey{};  // the keys that press them; key 0: none
    // The user's compose sequences (their locale's), as the receiving
    // programs complete a dead key; nullptr: none known, no dead keys typed.
    xkb_compose_table* compose = nullptr;
};

// Takes a keymap (XKB text, as a wl_keyboard keymap event carries it; a
// terminating zero may be counted in `length`) in place of the last one.
// false, keeping the last, when it does not compile.
bool LayoutKeysLoad(LayoutKeys* keys, const char* text, size_t length);
// What a wl_keyboard modifiers event says: the active group and the locks.
void LayoutKeysSetState(LayoutKeys* keys, uint32_t lockedMods, uint32_t group);
// `locked` with the keymap's lock modifier named `modifier` (XKB_MOD_NAME_CAPS,
// XKB_MOD_NAME_NUM) set when `on`, else cleared; unchanged where it has none.
uint32_t LayoutKeysLock(const LayoutKeys* keys, uint32_t locked, const char* modifier, bool on);
void LayoutKeysFree(LayoutKeys* keys);

// The key and modifiers that type `keysym` (or a keysym of the same
// character) in the active group under the locks, preferring the fewest
// modifiers and the lowest keycode, among the keycodes X programs receive
// too (up to 255). false when the layout lacks it.
bool LayoutKeysFind(const LayoutKeys* keys, uint32_t keysym, LayoutStroke* stroke);

// The strokes that type `keysym`: its key (LayoutKeysFind), else a dead
// key and the key that completes it to that character in the compose
// sequences (space, or the dead key again: dead_circumflex space gives ^),
// so that no dead key is left pending. 0 when the layout lacks it.
int LayoutKeysStrokes(const LayoutKeys* keys, uint32_t keysym, LayoutStroke strokes[2]);

// Where the presses and releases go: `send(sink, key, pressed)`.
typedef void (*LayoutSendKey)(void* sink, uint32_t key, bool pressed);
struct LayoutSink {
    LayoutSendKey send;
    void* sink;
};

// Types `keysym` (LayoutKeysStrokes): the modifiers pressed around each
// key, released after.
// A keysym the layout lacks is typed as Ctrl+Shift+U, its code in hex and a
// space when `unicodeInput` (GTK and IBus programs take that), else nothing:
// false, so that the caller can tell the user.
bool LayoutKeysType(const LayoutKeys* keys, uint32_t keysym, const LayoutSink& sink, bool unicodeInput);
