// Implements platform/linux/desktop.h, platform/display.h and platform/sip.h
// where X11 is the only desktop built: everything goes to the X11 one.
#include "platform/display.h"
#include "platform/linux/desktop.h"
#include "platform/sip.h"
#include "platform/x11/desktop.h"

namespace {
bool g_open = false;
}

bool DesktopOpen() { return g_open || (g_open = X11DesktopOpen(nullptr)); }
void DesktopClose() {
    X11DesktopClose();
    g_open = false;
}
int DesktopEventFd() { return X11EventFd(); }
bool DesktopHandleEvents() { return X11HandleEvents(); }
void DesktopWatchActiveWindow(void (*reported)(HWND active)) { X11WatchActiveWindow(reported); }
HWND DesktopFindTopLevel(const WCHAR* className, const WCHAR* title) { return X11FindTopLevel(className, title); }
HWND DesktopActiveWindow() { return X11ActiveWindow(); }
HWND DesktopKeyboardTarget() { return X11KeyboardTarget(); }
bool DesktopShowAndActivate(HWND window) { return X11ShowAndActivate(window); }
bool DesktopActivate(HWND window) { return X11Activate(window); }
bool DesktopHide(HWND window) { return X11Hide(window); }
bool DesktopWindowExists(HWND window) { return X11WindowExists(window); }
BOOL DesktopPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    return X11PostKeyMessage(target, message, wParam, lParam);
}
void DesktopRequestClose(HWND window) { X11RequestClose(window); }
HWND DesktopRootWindow() { return X11RootWindow(); }
void DesktopSetKeyTimer(void (*schedule)(int milliseconds)) { X11SetKeyTimer(schedule); }
void DesktopTypeWaitingKeys() { X11TypeWaitingKeys(); }
int DesktopKeysWaiting() { return X11KeysWaiting(); }
void DesktopAfterWaitingKeys(void (*action)(long, long), long first, long second) {
    X11AfterWaitingKeys(action, first, second);
}
void DesktopDropWaitingKeys(HWND kept) { X11DropWaitingKeys(kept); }
void DesktopActivateDialog(HWND) {}

LONG ChangeDisplaySettingsEx(const WCHAR*, DEVMODEW* mode, HWND, DWORD flags, void*) {
    return X11ChangeDisplaySettings(mode, flags);
}

BOOL SHSipInfo(UINT action, UINT, void* info, UINT) { return X11SipInfo(action, info); }
