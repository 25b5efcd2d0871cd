// Implements platform/linux/desktop.h, platform/display.h and platform/sip.h:
// the first desktop of the list that can serve this session, kept for the
// program's life.
#include <cstdio>
#include <cstdlib>

#include "platform/display.h"
#include "platform/linux/desktop.h"
#include "platform/sip.h"

namespace {

// Probed in this order. A new desktop is its folder and one line here.
const Desktop* const kDesktops[] = {
#if TASTRA_WITH_WAYLAND
    &WAYLAND_DESKTOP,
    &KDE_DESKTOP,
    &PORTAL_DESKTOP,
#endif
    &X11_DESKTOP,
};
constexpr int kDesktopCount = sizeof kDesktops / sizeof kDesktops[0];

struct Choice {
    const Desktop* desktop = nullptr;
};
Choice g_choice;

bool InWaylandSession() {
    const char* compositor = std::getenv("WAYLAND_DISPLAY");
    return compositor != nullptr && compositor[0] != 0;
}

// Before a successful open, or when none succeeded, the last desktop (X11)
// answers: its operations fail quietly without a display.
const Desktop& Chosen() {
    if (g_choice.desktop == nullptr) DesktopOpen();
    return g_choice.desktop != nullptr ? *g_choice.desktop : *kDesktops[kDesktopCount - 1];
}

}  // namespace

bool DesktopOpen() {
    if (g_choice.desktop != nullptr) return true;
    for (const Desktop* desktop : kDesktops) {
        if (!desktop->open()) continue;
        g_choice.desktop = desktop;
        if (InWaylandSession() && !desktop->reachesWayland)
            std::fprintf(stderr,
                         "tastra: this Wayland compositor lets no program type into others (it offers no virtual "
                         "keyboard); typing reaches X11 programs through Xwayland only, not native Wayland "
                         "programs.\n");
        return true;
    }
    return false;
}

void DesktopClose() {
    if (g_choice.desktop != nullptr) g_choice.desktop->close();
    g_choice = Choice{};
}

int DesktopEventFd() { return g_choice.desktop != nullptr ? g_choice.desktop->eventFd() : -1; }
bool DesktopHandleEvents() { return g_choice.desktop != nullptr && g_choice.desktop->handleEvents(); }

HWND DesktopFindTopLevel(const WCHAR* className, const WCHAR* title) { return Chosen().findTopLevel(className, title); }
HWND DesktopActiveWindow() { return Chosen().activeWindow(); }
HWND DesktopKeyboardTarget() { return Chosen().keyboardTarget(); }
bool DesktopShowAndActivate(HWND window) { return Chosen().showAndActivate(window); }
bool DesktopActivate(HWND window) { return Chosen().activate(window); }
bool DesktopHide(HWND window) { return Chosen().hide(window); }
bool DesktopWindowExists(HWND window) { return Chosen().windowExists(window); }
HWND DesktopRootWindow() { return Chosen().rootWindow(); }
BOOL DesktopPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    return Chosen().postKeyMessage(target, message, wParam, lParam);
}
void DesktopRequestClose(HWND window) { Chosen().requestClose(window); }

// A desktop not chosen yet has no keys waiting and asks for no timer.
void DesktopSetKeyTimer(void (*schedule)(int milliseconds)) {
    for (const Desktop* desktop : kDesktops)
        if (desktop->setKeyTimer != nullptr) desktop->setKeyTimer(schedule);
}
void DesktopTypeWaitingKeys() {
    if (g_choice.desktop != nullptr && g_choice.desktop->typeWaitingKeys != nullptr)
        g_choice.desktop->typeWaitingKeys();
}
int DesktopKeysWaiting() {
    return g_choice.desktop != nullptr && g_choice.desktop->keysWaiting != nullptr ? g_choice.desktop->keysWaiting()
                                                                                   : 0;
}
void DesktopAfterWaitingKeys(void (*action)(long, long), long first, long second) {
    const Desktop& desktop = Chosen();
    if (desktop.afterWaitingKeys != nullptr)
        desktop.afterWaitingKeys(action, first, second);
    else
        action(first, second);
}

void DesktopDropWaitingKeys(HWND kept) {
    if (g_choice.desktop != nullptr && g_choice.desktop->dropWaitingKeys != nullptr)
        g_choice.desktop->dropWaitingKeys(kept);
}

// A desktop that reports nothing leaves a pending activation to its time limit.
void DesktopWatchActiveWindow(void (*reported)(HWND active)) {
    const Desktop& desktop = Chosen();
    if (desktop.watchActiveWindow != nullptr) desktop.watchActiveWindow(reported);
}

void DesktopActivateDialog(HWND dialog) {
    const Desktop& desktop = Chosen();
    if (desktop.activateDialog != nullptr) desktop.activateDialog(dialog);
}

LONG ChangeDisplaySettingsEx(const WCHAR*, DEVMODEW* mode, HWND, DWORD flags, void*) {
    return Chosen().changeDisplaySettings(mode, flags);
}

BOOL SHSipInfo(UINT action, UINT, void* info, UINT) { return Chosen().sipInfo(action, info); }
