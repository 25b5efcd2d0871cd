// The seat's own keyboard, bound by a client that types through another
// path, only to learn the user's keymap and active group: the compositor
// sends both to every keyboard of the seat, focused or not, and again when
// they change.
#pragma once

#include <wayland-client.h>

#include "platform/linux/layout_keys.h"

// Adds the seat's listener; the keyboard is bound once the seat has one, and
// `keys` follows its keymap and group as events are dispatched on the
// connection. false when the seat already has a listener.
bool SeatKeyboardFollow(wl_seat* seat, LayoutKeys* keys);
// Releases the keyboard (before the seat goes).
void SeatKeyboardStop();
// How many keymaps arrived since the follow began (a test waits for one).
int SeatKeyboardKeymaps();
