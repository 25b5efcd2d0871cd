// Implements X11DesktopOpen, X11DesktopClose and the events of
// platform/x11/desktop.h, and X11ReadEvents of desktop_internal.h.
#include "platform/x11/desktop.h"

#include "platform/x11/desktop_internal.h"
#include "platform/x11/desktop_keyboard.h"

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

void X11ReadEvents() {
    Display* display = X11DesktopDisplay();
    if (!display) return;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == PropertyNotify && event.xproperty.window == DefaultRootWindow(display))
            X11NoteRootProperty(event.xproperty);
        else
            X11KeyboardNoteEvent(event);
    }
}

int X11EventFd() { return X11Connected() ? ConnectionNumber(X11DesktopDisplay()) : -1; }

// A broken connection ends the program in Xlib's I/O error handler before
// anything here could notice it.
bool X11HandleEvents() {
    if (!X11Connected()) return false;
    X11ReadEvents();
    return true;
}
