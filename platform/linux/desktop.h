// Other applications' windows and typing on the Linux desktop the program
// runs on, chosen when first opened from the desktops built (a table each,
// below). Used by the FLTK window service (platform/fltk/) for every window
// that is not the program's own dialog; platform/display.h and
// platform/sip.h follow the same choice.
#pragma once

#include "platform/types.h"

// Chooses the desktop and connects to it, once; false when there is none.
// A fallback that leaves part of the desktop unreached is told once on the
// error output.
bool DesktopOpen();
void DesktopClose();

HWND DesktopFindTopLevel(const WCHAR* className, const WCHAR* title);
HWND DesktopActiveWindow();
HWND DesktopKeyboardTarget();
bool DesktopShowAndActivate(HWND window);
bool DesktopActivate(HWND window);
bool DesktopHide(HWND window);
bool DesktopWindowExists(HWND window);
// A window standing for the whole desktop (the root window of the X
// display the dialog is on); 0 without one.
HWND DesktopRootWindow();
// Never waits: a key that must wait is typed later, in order, from
// DesktopTypeWaitingKeys.
BOOL DesktopPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
void DesktopRequestClose(HWND window);

// Keys that wait to be typed, as X11SetKeyTimer, X11TypeWaitingKeys,
// X11KeysWaiting and X11AfterWaitingKeys of platform/x11/desktop.h. A
// desktop that types every key at once has nothing waiting: the action runs
// at once and the timer is never asked for.
void DesktopSetKeyTimer(void (*schedule)(int milliseconds));
void DesktopTypeWaitingKeys();
int DesktopKeysWaiting();
void DesktopAfterWaitingKeys(void (*action)(long, long), long first, long second);

// Drops the keys waiting to be typed for any window but `kept`; actions
// still run in turn. For when the user has taken the focus there on purpose.
void DesktopDropWaitingKeys(HWND kept);

// A descriptor that the dialog's loop watches for reading, calling
// DesktopHandleEvents when it is ready; -1 when there is none to watch.
// DesktopHandleEvents returns false once the connection is gone: the
// descriptor then stays readable and must no longer be watched. It also
// reads what other calls here took in meanwhile, so the loop calls it
// before it waits, too.
int DesktopEventFd();
bool DesktopHandleEvents();

// Calls `reported(window)` whenever the desktop reports another active
// window (0: none), as its events are read: by DesktopHandleEvents and by
// the calls here that read them. nullptr stops it.
void DesktopWatchActiveWindow(void (*reported)(HWND active));

// After the toolkit raised and activated the program's own dialog (an X
// window): whatever else the desktop needs to give it the focus.
void DesktopActivateDialog(HWND dialog);

// One desktop: its folder fills the table, desktop_choice.cpp lists it in
// the order the desktops are probed and keeps the first whose `open`
// succeeds. The operations are those of the functions above; a desktop that
// types every key at once leaves the five waiting-key operations null (the
// action after waiting keys then runs at once), one that needs nothing to
// give the dialog the focus leaves `activateDialog` null, one that never
// reports the active window leaves `watchActiveWindow` null. Tables are
// written with designated initializers, so an operation left out is null.
struct DEVMODEW;
struct Desktop {
    // Connects; false when this desktop cannot serve this session, with
    // whatever it opened closed again.
    bool (*open)() = nullptr;
    void (*close)() = nullptr;
    // Whether it reaches the native programs of a Wayland session; when a
    // Wayland session is left to one that does not, the user is told.
    bool reachesWayland = false;
    HWND (*findTopLevel)(const WCHAR* className, const WCHAR* title) = nullptr;
    HWND (*activeWindow)() = nullptr;
    HWND (*keyboardTarget)() = nullptr;
    bool (*showAndActivate)(HWND window) = nullptr;
    bool (*activate)(HWND window) = nullptr;
    bool (*hide)(HWND window) = nullptr;
    bool (*windowExists)(HWND window) = nullptr;
    HWND (*rootWindow)() = nullptr;
    BOOL (*postKeyMessage)(HWND target, UINT message, WPARAM wParam, LPARAM lParam) = nullptr;
    void (*requestClose)(HWND window) = nullptr;
    void (*setKeyTimer)(void (*schedule)(int milliseconds)) = nullptr;
    void (*typeWaitingKeys)() = nullptr;
    int (*keysWaiting)() = nullptr;
    void (*afterWaitingKeys)(void (*action)(long, long), long first, long second) = nullptr;
    void (*dropWaitingKeys)(HWND kept) = nullptr;
    int (*eventFd)() = nullptr;
    bool (*handleEvents)() = nullptr;
    void (*watchActiveWindow)(void (*reported)(HWND active)) = nullptr;
    void (*activateDialog)(HWND dialog) = nullptr;
    // platform/display.h and platform/sip.h on this desktop.
    LONG (*changeDisplaySettings)(DEVMODEW* mode, DWORD flags) = nullptr;
    BOOL (*sipInfo)(UINT action, void* info) = nullptr;
};

// The desktops there are, each defined in its own folder.
extern const Desktop X11_DESKTOP;      // platform/x11/: any X display, Xwayland too
extern const Desktop WAYLAND_DESKTOP;  // platform/wayland/: wlroots compositors
extern const Desktop KDE_DESKTOP;      // platform/kde/: KWin, where it authorises fake input
extern const Desktop PORTAL_DESKTOP;   // platform/portal/: GNOME, KDE through the remote desktop portal
