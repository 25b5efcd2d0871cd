// The keymap that the virtual keyboard types with: every keysym on a key of
// its own in one of four groups (layouts), the same on both shift levels, so
// that no modifier is ever pressed and no state of the user's keyboard can
// change what arrives. The group is our own keyboard's, sent before the key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/common/key_strokes.h"
#include "platform/types.h"

// XKB keycodes 9 to 255: X clients on Xwayland receive no higher ones.
constexpr int WAYLAND_FIRST_KEYCODE = 9;
constexpr int WAYLAND_KEYMAP_KEYCODES = 247;
// X programs read a changed keymap only when they next look a key up, so a
// key given to another keysym while one typed before is still unread types
// the new one: the groups (XKB's and X's four) give every character of a
// burst a key of its own. The group travels in each X key event.
constexpr int WAYLAND_KEYMAP_GROUPS = 4;
constexpr int WAYLAND_KEYMAP_SLOTS = WAYLAND_KEYMAP_KEYCODES * WAYLAND_KEYMAP_GROUPS;
// Room for the keymap's text, terminator included.
constexpr int WAYLAND_KEYMAP_TEXT_BYTES = 65536;

struct WaylandKeymap {
    uint32_t keysyms[WAYLAND_KEYMAP_SLOTS];
    long long lastUse[WAYLAND_KEYMAP_SLOTS];
    int count;
    int baseCount;  // slots below this are never given to another keysym
};

// The base set: the editing keys, printable ASCII, Latin-1 and the other
// symbols of the classic 8-bit character sets, so that typing what a
// terminal sends never changes the keymap.
void WaylandKeymapInit(WaylandKeymap* keymap);

// The slot that types `keysym` (see the two below). A
// keysym not yet there takes a free slot or the least recently used one
// outside the base set, and *changed becomes true: the keymap must be sent
// again before that key. -1 for keysym 0.
int WaylandKeymapSlot(WaylandKeymap* keymap, uint32_t keysym, long long now, bool* changed);
// The XKB keycode and the group (0 to 3) of a slot.
inline int WaylandKeymapKeycode(int slot) { return WAYLAND_FIRST_KEYCODE + slot % WAYLAND_KEYMAP_KEYCODES; }
inline int WaylandKeymapGroup(int slot) { return slot / WAYLAND_KEYMAP_KEYCODES; }

// The keymap as XKB text (format xkb v1), terminated. Returns its size with
// the terminator, or -1 when it does not fit.
int WaylandKeymapText(const WaylandKeymap* keymap, char* out, int capacity);

// Whether a keymap the seat announces (`size` bytes of XKB text, as the
// compositor wrote it again) is one of ours, not one the compositor put on
// our keyboard in its place.
bool WaylandKeymapIsOurs(const char* text, size_t size);

// The keysym of a virtual key, or of a typed UTF-16 character (Latin-1
// keysyms up to U+00FF, Unicode keysyms above); 0 for what has no key.
uint32_t WaylandKeysymOfVirtualKey(WPARAM virtualKey);
uint32_t WaylandKeysymOfCharacter(WCHAR character);

// The key strokes of platform/common/key_strokes.h for a desktop that types
// by keysym: virtual keys and characters become their keysyms above.
template <bool (*TypeKeysym)(uint32_t keysym)>
struct KeysymStrokes {
    static bool TypeKey(WORD virtualKey) {
        uint32_t keysym = WaylandKeysymOfVirtualKey(virtualKey);
        return keysym != 0 && TypeKeysym(keysym);
    }
    static bool HasKey(WORD virtualKey) { return WaylandKeysymOfVirtualKey(virtualKey) != 0; }
    static bool TypeCharacter(WCHAR character) {
        uint32_t keysym = WaylandKeysymOfCharacter(character);
        return keysym != 0 && TypeKeysym(keysym);
    }
    static constexpr KeyStrokeTyper typer{TypeKey, HasKey, TypeCharacter};
};
