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

// Calls `reported(window)` whenever the window manager names another active
// window (0: none), as the connection's events are read: by
// X11HandleEvents and by the calls here that read them. nullptr stops it.
void X11WatchActiveWindow(void (*reported)(HWND active));

// The connection's descriptor for a loop to watch (-1 when closed), and the
// reading of whatever arrived on it; false when there is no connection.
int X11EventFd();
bool X11HandleEvents();

// The root window of the desktop's screen; 0 without a display.
HWND X11RootWindow();

// The window with the input focus (what receives typed keys); -1 on failure.
HWND X11KeyboardTarget();

// Maps, raises and activates a top-level window of any client.
bool X11ShowAndActivate(HWND window);
bool X11Activate(HWND window);
bool X11Hide(HWND window);
bool X11WindowExists(HWND window);

// WM_KEYDOWN / WM_KEYUP / WM_CHAR for `target`, turned into key events:
// the key press of a virtual key, or the typed character, whatever the
// keyboard's layout, group and locks. FALSE when the target does not exist
// or the message cannot be typed. Other messages are ignored (FALSE).
// Never waits: what must wait for a spare keycode, or for its window to get
// back the focus that the window manager gave another for a moment, is typed
// later, in order, from X11TypeWaitingKeys.
BOOL X11PostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

// The loop's timer for waiting keys: `schedule(ms)` asks for a call of
// X11TypeWaitingKeys in `ms` milliseconds, replacing the earlier request;
// -1 cancels it.
void X11SetKeyTimer(void (*schedule)(int milliseconds));
void X11TypeWaitingKeys();
// How many keysyms and actions wait to be typed or run.
int X11KeysWaiting();
// Runs `action(first, second)` once everything posted before has been
// typed: at once when nothing waits. For what changes where keys go or what
// the user sees next (focus, windows, the on-screen keyboard, the screen).
void X11AfterWaitingKeys(void (*action)(long, long), long first, long second);

// Drops the keys waiting for any top-level window but `kept`'s (and keeps
// those whose window was unknown); actions stay in turn.
void X11DropWaitingKeys(HWND kept);

// A polite close request (WM_DELETE_WINDOW or _NET_CLOSE_WINDOW), then XSync.
// Never kills a client.
void X11RequestClose(HWND window);

// platform/display.h (XRandR) and platform/sip.h (xvkbd) on the X display,
// with their contracts; platform/linux/desktop.h chooses them.
struct DEVMODEW;
LONG X11ChangeDisplaySettings(DEVMODEW* mode, DWORD flags);
BOOL X11SipInfo(UINT action, void* info);
