// Implements platform/linux/desktop.h, platform/display.h and platform/sip.h
// where a Wayland compositor may run the session: its desktop when it lets
// ordinary clients type and see the toplevel windows (wlroots compositors),
// else the X11 one, through Xwayland when there is a compositor.
#include <cstdio>
#include <cstdlib>

#include "platform/display.h"
#include "platform/linux/desktop.h"
#include "platform/sip.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/x11/desktop.h"

namespace {

enum class Kind { NONE, X11, WAYLAND };

struct Choice {
    Kind kind;
};

Choice g_choice;

// The compositor's objects go with the program, not with the process's end:
// the compositor then forgets our virtual keyboard at once.
void CloseAtExit() {
    if (g_choice.kind == Kind::WAYLAND) WaylandDesktopClose();
}

// The virtual keyboard types every key at once, its keymap changed on the
// same ordered stream: on the compositor's desktop no key ever waits. Only
// X11 keeps keys waiting, so a desktop not chosen yet has none.
bool KeysTypedAtOnce() { return g_choice.kind == Kind::WAYLAND; }

bool Wayland() { return (g_choice.kind != Kind::NONE || DesktopOpen()) && g_choice.kind == Kind::WAYLAND; }

}  // namespace

bool DesktopOpen() {
    if (g_choice.kind != Kind::NONE) return true;
    const char* compositor = std::getenv("WAYLAND_DISPLAY");
    if (compositor != nullptr && compositor[0] != 0 && WaylandDesktopOpen(nullptr)) {
        if (WaylandDesktopUsable()) {
            g_choice.kind = Kind::WAYLAND;
            WaylandKeyboardPrime();
            static const bool closes = std::atexit(CloseAtExit) == 0;
            (void)closes;
            return true;
        }
        WaylandDesktopClose();
        std::fprintf(stderr,
                     "tastra: this Wayland compositor lets no program type into others (it offers no virtual "
                     "keyboard); typing reaches X11 programs through Xwayland only, not native Wayland programs.\n");
    }
    if (!X11DesktopOpen(nullptr)) return false;
    g_choice.kind = Kind::X11;
    return true;
}

void DesktopClose() {
    if (g_choice.kind == Kind::WAYLAND) WaylandDesktopClose();
    X11DesktopClose();
    g_choice = Choice{};
}

int DesktopEventFd() {
    if (g_choice.kind == Kind::WAYLAND) return WaylandDesktopFd();
    return g_choice.kind == Kind::X11 ? X11EventFd() : -1;
}

bool DesktopHandleEvents() {
    if (g_choice.kind == Kind::WAYLAND) return WaylandDesktopDispatch();
    return g_choice.kind == Kind::X11 && X11HandleEvents();
}

void DesktopWatchActiveWindow(void (*reported)(HWND active)) {
    if (Wayland())
        WaylandWatchActiveWindow(reported);
    else
        X11WatchActiveWindow(reported);
}

HWND DesktopFindTopLevel(const WCHAR* className, const WCHAR* title) {
    return Wayland() ? WaylandFindTopLevel(className, title) : X11FindTopLevel(className, title);
}
HWND DesktopActiveWindow() { return Wayland() ? WaylandActiveWindow() : X11ActiveWindow(); }
HWND DesktopKeyboardTarget() { return Wayland() ? WaylandKeyboardTarget() : X11KeyboardTarget(); }
bool DesktopShowAndActivate(HWND window) {
    return Wayland() ? WaylandShowAndActivate(window) : X11ShowAndActivate(window);
}
bool DesktopActivate(HWND window) { return Wayland() ? WaylandActivate(window) : X11Activate(window); }
bool DesktopHide(HWND window) { return Wayland() ? WaylandHide(window) : X11Hide(window); }
bool DesktopWindowExists(HWND window) { return Wayland() ? WaylandWindowExists(window) : X11WindowExists(window); }
BOOL DesktopPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    return Wayland() ? WaylandPostKeyMessage(target, message, wParam, lParam)
                     : X11PostKeyMessage(target, message, wParam, lParam);
}
void DesktopRequestClose(HWND window) {
    if (Wayland())
        WaylandRequestClose(window);
    else
        X11RequestClose(window);
}

// The dialog is on Xwayland's display, whose root stands for the desktop.
HWND DesktopRootWindow() { return X11RootWindow(); }

// X11's timer is asked for only when keys wait there.
void DesktopSetKeyTimer(void (*schedule)(int milliseconds)) { X11SetKeyTimer(schedule); }
void DesktopTypeWaitingKeys() {
    if (!KeysTypedAtOnce()) X11TypeWaitingKeys();
}
int DesktopKeysWaiting() { return KeysTypedAtOnce() ? 0 : X11KeysWaiting(); }
void DesktopAfterWaitingKeys(void (*action)(long, long), long first, long second) {
    if (KeysTypedAtOnce())
        action(first, second);
    else
        X11AfterWaitingKeys(action, first, second);
}

void DesktopDropWaitingKeys(HWND kept) {
    if (!KeysTypedAtOnce()) X11DropWaitingKeys(kept);
}

// The compositor gives the focus to an X window only through its own protocol.
void DesktopActivateDialog(HWND dialog) {
    if (Wayland()) WaylandActivate(dialog);
}

LONG ChangeDisplaySettingsEx(const WCHAR*, DEVMODEW* mode, HWND, DWORD flags, void*) {
    return Wayland() ? WaylandChangeDisplaySettings(mode, flags) : X11ChangeDisplaySettings(mode, flags);
}

BOOL SHSipInfo(UINT action, UINT, void* info, UINT) {
    return Wayland() ? WaylandSipInfo(action, info) : X11SipInfo(action, info);
}
