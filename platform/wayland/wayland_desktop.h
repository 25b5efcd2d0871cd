// Other applications' windows and key injection on a wlroots compositor:
// windows through the foreign-toplevel protocol, keys through a virtual
// keyboard with a keymap of our own. The program's own dialog is an X11
// window on Xwayland; X windows are reached through platform/x11/desktop.h, and an X
// window that is also a Wayland toplevel is named by its X window id.
// Toplevel handles lie above every X window id (29 bits) and below the
// dialog's control handles; a handle is never reused.
#pragma once

#include "platform/types.h"

// Connects to the compositor (nullptr: $WAYLAND_DISPLAY) and binds what it
// offers. false when there is no compositor; see WaylandDesktopUsable.
bool WaylandDesktopOpen(const char* displayName);
void WaylandDesktopClose();

// Whether the connected compositor lets ordinary clients type and see the
// toplevel windows (a virtual keyboard, foreign toplevels and a seat).
bool WaylandDesktopUsable();

// The choice itself, on a list of the compositor's global interface names.
bool WaylandDesktopUsableWith(const char* const* interfaces, int count);

// The connection's file descriptor (-1 when closed) and the handling of
// whatever arrived on it, for a loop that watches the descriptor; events
// left unread would fill the compositor's buffer for us. false when the
// connection failed.
int WaylandDesktopFd();
bool WaylandDesktopDispatch();

// A window (mapped toplevel first, then any X window) whose app id or X
// class/instance and/or title match exactly; nullptr matches any. 0 if none.
HWND WaylandFindTopLevel(const WCHAR* className, const WCHAR* title);

// The activated toplevel; 0 when none is, -1 when the compositor is gone.
HWND WaylandActiveWindow();

// Calls `reported(window)` whenever the compositor reports another toplevel
// activated, as its events are read. nullptr stops it.
void WaylandWatchActiveWindow(void (*reported)(HWND active));

// What receives typed keys: the activated toplevel (the compositor gives the
// keyboard to it); as WaylandActiveWindow.
HWND WaylandKeyboardTarget();

// Shows (maps an X window) and activates; activation is the compositor's.
bool WaylandShowAndActivate(HWND window);
bool WaylandActivate(HWND window);
bool WaylandHide(HWND window);
bool WaylandWindowExists(HWND window);

// WM_KEYDOWN / WM_KEYUP / WM_CHAR for `target`, typed through the virtual
// keyboard into whatever has the keyboard, by the rules of
// platform/common/key_strokes.h. FALSE when the target does not exist or
// the message means nothing here.
BOOL WaylandPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

// Makes the virtual keyboard the compositor's current keyboard ahead of
// typing, so that the focused program has its keymap before the first key
// (a key press without a symbol). false when there is no virtual keyboard.
bool WaylandKeyboardPrime();

// The polite close request of the compositor (xdg_toplevel.close for Wayland
// clients), or WM_DELETE_WINDOW for X windows. Never kills a client.
void WaylandRequestClose(HWND window);

// platform/display.h and platform/sip.h on the wayland desktop, with the same
// contracts: the first enabled output turned between transform normal and
// 270 through the compositor, and wvkbd as the on-screen keyboard.
struct DEVMODEW;
LONG WaylandChangeDisplaySettings(DEVMODEW* mode, DWORD flags);
BOOL WaylandSipInfo(UINT action, void* info);
