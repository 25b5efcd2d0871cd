// Other applications' windows on the X display: finding, raising, the
// foreground window and keyboard target, key injection and close requests.
// Used by the FLTK window service (platform/fltk/window.cpp) for every window that is not
// the program's own dialog. HWND values here are X window ids.
#pragma once

#include "platform/types.h"

// Opens this service's own connection to the display (nullptr: $DISPLAY).
// false when the display cannot be opened.
bool X11DesktopOpen(const char* displayName);
void X11DesktopClose();

// A top-level client window (mapped or not) whose WM_CLASS class or instance
// and/or title (_NET_WM_NAME, else WM_NAME) match exactly; nullptr matches any. 0 if none.
HWND X11FindTopLevel(const WCHAR* className, const WCHAR* title);

// _NET_ACTIVE_WINDOW where _NET_SUPPORTING_WM_CHECK names a live window
// manager, else the top-level window of the input focus; 0 when none.
HWND X11ActiveWindow();

// The window with the input focus (what receives typed keys); -1 on failure.
HWND X11KeyboardTarget();

// Maps, raises and activates a top-level window of any client.
bool X11ShowAndActivate(HWND window);
bool X11Activate(HWND window);
bool X11Hide(HWND window);
bool X11WindowExists(HWND window);

// WM_KEYDOWN / WM_KEYUP / WM_CHAR for `target`, turned into key events:
// the key press of a virtual key, or the typed character. FALSE when the
// target does not exist. Other messages are ignored (FALSE).
BOOL X11PostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

// A polite close request (WM_DELETE_WINDOW or _NET_CLOSE_WINDOW), then XSync.
// Never kills a client.
void X11RequestClose(HWND window);

// platform/display.h (XRandR) and platform/sip.h (xvkbd) on the X display,
// with their contracts; platform/linux/desktop.h chooses them.
struct DEVMODEW;
LONG X11ChangeDisplaySettings(DEVMODEW* mode, DWORD flags);
BOOL X11SipInfo(UINT action, void* info);
