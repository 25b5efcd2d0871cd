// The user's keymap as the compositor hands it to every client that binds
// the seat's keyboard, kept current in a LayoutKeys as the events arrive on
// the caller's connection: a new keymap on each layout change, the group
// and the locks where the compositor sends them.
#pragma once

#include "platform/linux/layout_keys.h"

struct wl_seat;
struct wl_keyboard;

struct SeatKeyboard {
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;  // bound once the seat has a keyboard
    LayoutKeys* keys = nullptr;
    int keymaps = 0;  // keymaps taken so far
};

// Becomes the seat's listener: the keyboard is bound when the seat reports
// one (a headless seat has none before the first key). false when the seat
// has a listener already.
bool SeatKeyboardFollow(SeatKeyboard* follower, wl_seat* seat, LayoutKeys* keys);
// Releases the keyboard; the seat stays the caller's.
void SeatKeyboardStop(SeatKeyboard* follower);

struct wl_display;
// The connection's requests written out, waiting up to a second for room;
// false when the connection failed.
bool WaylandDisplayFlush(wl_display* display);
// Flushes, then reads and dispatches what arrives within `timeoutMs` (0:
// only what is there); false when the connection failed.
bool WaylandDisplayDispatchFor(wl_display* display, int timeoutMs);
