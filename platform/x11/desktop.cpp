// Implements X11DesktopOpen and X11DesktopClose of platform/x11/desktop.h.
#include "platform/x11/desktop.h"

#include "platform/x11/desktop_internal.h"

bool X11DesktopOpen(const char* displayName) {
    X11DesktopClose();
    return X11Connect(displayName);
}

// The keymap is given back before the connection goes: spare keycodes bound
// through it would otherwise keep their symbols for every client.
void X11DesktopClose() {
    if (!X11Connected()) return;
    X11ReleaseSpareKeycodes();
    X11Disconnect();
}
