// GNOME and other Wayland desktops that let programs type only through the
// desktop portal's remote desktop: keys by keycode from the user's own
// layout, into whatever has the focus. The program's dialog and X programs
// stay on Xwayland (platform/x11/desktop.h). The desktop tells no program
// which native window has the focus: PORTAL_NATIVE_WINDOW stands for
// "a native window has it", the X active window stands for itself.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Above every X window id (29 bits), below the dialog's control handles.
constexpr HWND PORTAL_NATIVE_WINDOW = static_cast<HWND>(1) << 31;

// The user's answer is awaited this long; no answer counts as a no.
constexpr int PORTAL_CONSENT_MS = 60000;

bool PortalDesktopOpen();
void PortalDesktopClose();

HWND PortalActiveWindow();
bool PortalWindowExists(HWND window);
bool PortalShowAndActivate(HWND window);
bool PortalActivate(HWND window);
bool PortalHide(HWND window);
BOOL PortalPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
// X windows: WM_DELETE_WINDOW; a native window: the desktop's own close
// shortcut, typed only while a native window still has the focus.
void PortalRequestClose(HWND window);

// The timer gathers the characters a burst could not type into one message
// to the user. Keys wait for the portal to take the one before; what must
// follow them (focus, closing, the dialog) waits with them.
void PortalSetKeyTimer(void (*schedule)(int milliseconds));
void PortalTypeWaitingKeys();
int PortalKeysWaiting();
void PortalAfterWaitingKeys(void (*action)(long, long), long first, long second);

int PortalEventFd();
bool PortalHandleEvents();

// platform/display.h through mutter's display configuration and
// platform/sip.h through GNOME's screen keyboard setting, with their contracts.
struct DEVMODEW;
LONG PortalChangeDisplaySettings(DEVMODEW* mode, DWORD flags);
BOOL PortalSipInfo(UINT action, void* info);

// The close shortcut as GSettings writes it ("['<Alt>F4']"): its modifier
// keys and its key's keysym; false for one that names no key.
struct PortalShortcut {
    uint32_t keysym;
    bool control, shift, alt, super;
};
bool PortalParseShortcut(const char* setting, PortalShortcut* shortcut);
