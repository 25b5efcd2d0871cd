// The wlroots desktop's entry in the table of platform/linux/desktop.h, for a
// session whose compositor lets ordinary clients type and see the toplevel
// windows. The dialog and X programs stay on Xwayland's display.
#include <cstdlib>

#include "platform/linux/desktop.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/x11/desktop.h"

namespace {

// The compositor's objects go with the program, not with the process's end:
// the compositor then forgets our virtual keyboard at once.
struct TableState {
    bool open = false;
};
TableState g_table;

void Close() {
    if (g_table.open) WaylandDesktopClose();
    X11DesktopClose();
    g_table.open = false;
}

void CloseAtExit() {
    if (g_table.open) WaylandDesktopClose();
    g_table.open = false;
}

bool Open() {
    const char* compositor = std::getenv("WAYLAND_DISPLAY");
    if (compositor == nullptr || compositor[0] == 0 || !WaylandDesktopOpen(nullptr)) return false;
    if (!WaylandDesktopUsable()) {
        WaylandDesktopClose();
        return false;
    }
    g_table.open = true;
    WaylandKeyboardPrime();
    static const bool closes = std::atexit(CloseAtExit) == 0;
    (void)closes;
    return true;
}

// The compositor gives the focus to an X window only through its own protocol.
void ActivateDialog(HWND dialog) { WaylandActivate(dialog); }

}  // namespace

// The virtual keyboard types every key at once, its keymap changed on the
// same ordered stream: no key ever waits here.
const Desktop WAYLAND_DESKTOP = {
    .open = Open,
    .close = Close,
    .reachesWayland = true,
    .findTopLevel = WaylandFindTopLevel,
    .activeWindow = WaylandActiveWindow,
    .keyboardTarget = WaylandKeyboardTarget,
    .showAndActivate = WaylandShowAndActivate,
    .activate = WaylandActivate,
    .hide = WaylandHide,
    .windowExists = WaylandWindowExists,
    // The dialog is on Xwayland's display, whose root stands for the desktop.
    .rootWindow = X11RootWindow,
    .postKeyMessage = WaylandPostKeyMessage,
    .requestClose = WaylandRequestClose,
    .eventFd = WaylandDesktopFd,
    .handleEvents = WaylandDesktopDispatch,
    .watchActiveWindow = WaylandWatchActiveWindow,
    .activateDialog = ActivateDialog,
    .changeDisplaySettings = WaylandChangeDisplaySettings,
    .sipInfo = WaylandSipInfo,
};
