// Shared by the desktop side of the x11 backend (desktop*.cpp, display.cpp,
// sip.cpp): its own connection, the error trap and a few window helpers.
#pragma once

#include <X11/Xlib.h>

#include "platform/types.h"

// The desktop connection. Opened from $DISPLAY on first use when
// X11DesktopOpen was not called; nullptr when there is no display.
Display* X11DesktopDisplay();
// Opens (false when the display cannot be opened) and closes the connection alone.
bool X11Connect(const char* displayName);
bool X11Connected();
void X11Disconnect();

// Gives spare keycodes back to no symbol and forgets the keymap (desktop_inject.cpp).
void X11ReleaseSpareKeycodes();

// Reads what has arrived on the connection and hands each event to the part
// it concerns (desktop.cpp): keymap notifications to the keyboard, the root
// window's properties to the active-window watch (desktop_windows.cpp).
// Every part that selects events is served here, so none is left queued.
void X11ReadEvents();
void X11NoteRootProperty(const XPropertyEvent& event);

// Atoms interned once per connection.
struct X11DesktopAtoms {
    Atom wmState, wmName, wmProtocols, wmDeleteWindow;
    Atom netWmName, netActiveWindow, netSupportingWmCheck, netCloseWindow, utf8String;
};
const X11DesktopAtoms& X11Atoms();

// Errors of the desktop connection between the two calls are recorded
// instead of ending the program. X11EndTrap syncs and returns true when no
// request in between failed. Traps do not nest.
void X11BeginTrap();
bool X11EndTrap();
// For probes whose failure is an answer, not an error of the operation.
int X11TrappedError();
void X11SetTrappedError(int error);

// Whether a window manager that announces itself is running now. Inside a
// trap, call it before the operation's own requests: it leaves the trap's
// error as it found it.
bool X11WindowManagerRunning();

// Maps and raises without asking for the focus (for windows that must not
// take it, such as the on-screen keyboard).
bool X11MapRaised(HWND window);

// Whether the window is mapped (a client whose frame is mapped counts).
bool X11IsMapped(HWND window);

// The top-level client window that holds `window` (itself when it is one);
// 0 when there is none or it does not exist.
HWND X11TopLevelOf(HWND window);

// Position and size relative to the root window; false if it does not exist.
bool X11RootGeometry(HWND window, RECT* rect);

// The keysym of a virtual key, or of a typed UTF-16 character (Latin-1
// keysyms for U+0020-U+007E and U+00A0-U+00FF, Unicode keysyms above);
// NoSymbol (0) for what has no key.
unsigned long X11KeysymOfVirtualKey(WPARAM virtualKey);
unsigned long X11KeysymOfCharacter(WCHAR character);
// An older keysym for the same character that layouts may carry instead, or 0.
unsigned long X11LegacyKeysymOfCharacter(WCHAR character);

// How many spare keycodes the injection may take, and how long a spare
// keycode must rest after a stroke before it is bound to another keysym.
// For measurements; the defaults are what the program uses.
void X11SetSpareKeycodeTuning(int limit, int rebindDelayMs);
