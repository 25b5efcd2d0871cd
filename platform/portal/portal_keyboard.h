// The user's keymap on a Wayland connection of our own: the seat's keyboard
// bound there, followed as the compositor changes the layout.
#pragma once

#include "platform/linux/layout_keys.h"

// Connects to $WAYLAND_DISPLAY and follows the seat's keyboard. false
// without a compositor or a seat.
bool PortalKeyboardOpen();
void PortalKeyboardClose();

// The connection's descriptor (-1 when closed), and the handling of what
// arrived on it; false once the connection failed.
int PortalKeyboardFd();
bool PortalKeyboardDispatch();

// Waits up to `timeoutMs` for the first keymap (a headless seat has no
// keyboard before the first key), once: later calls only read what came.
// nullptr until there is one.
const LayoutKeys* PortalKeyboardLayout(int timeoutMs);
