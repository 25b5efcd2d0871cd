// The keymap that the virtual keyboard types with: every keysym on a keycode
// of its own, the same on both shift levels, so that no modifier is ever
// pressed and no state of the user's keyboard can change what arrives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

// XKB keycodes 9 to 255: X clients on Xwayland receive no higher ones.
constexpr int WAYLAND_KEYMAP_SLOTS = 247;
constexpr int WAYLAND_FIRST_KEYCODE = 9;
// Room for the keymap's text, terminator included.
constexpr int WAYLAND_KEYMAP_TEXT_BYTES = 32768;

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

// The slot that types `keysym` (keycode WAYLAND_FIRST_KEYCODE + slot). A
// keysym not yet there takes a free slot or the least recently used one
// outside the base set, and *changed becomes true: the keymap must be sent
// again before that key. -1 for keysym 0.
int WaylandKeymapSlot(WaylandKeymap* keymap, uint32_t keysym, long long now, bool* changed);

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
