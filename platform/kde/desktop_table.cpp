// The KDE desktop's entry in the table of platform/linux/desktop.h, for a
// KWin session that authorises this program's fake input. The dialog and X
// programs stay on Xwayland's display.
#include <cstdlib>

#include "platform/kde/kde_desktop.h"
#include "platform/linux/desktop.h"
#include "platform/x11/desktop.h"

namespace {

struct TableState {
    bool open = false;
};
TableState g_table;

void Close() {
    if (g_table.open) KdeDesktopClose();
    X11DesktopClose();
    g_table.open = false;
}

// KWin's scripts go with the program, not with the process's end.
void CloseAtExit() {
    if (g_table.open) KdeDesktopClose();
    g_table.open = false;
}

bool Open() {
    const char* compositor = std::getenv("WAYLAND_DISPLAY");
    if (compositor == nullptr || compositor[0] == 0 || !KdeDesktopOpen(nullptr)) return false;
    g_table.open = true;
    static const bool closes = std::atexit(CloseAtExit) == 0;
    (void)closes;
    return true;
}

}  // namespace

const Desktop KDE_DESKTOP = {
    .open = Open,
    .close = Close,
    .reachesWayland = true,
    .findTopLevel = KdeFindTopLevel,
    .activeWindow = KdeActiveWindow,
    .keyboardTarget = KdeKeyboardTarget,
    .showAndActivate = KdeShowAndActivate,
    .activate = KdeActivate,
    .hide = KdeHide,
    .windowExists = KdeWindowExists,
    // The dialog is on Xwayland's display, whose root stands for the desktop.
    .rootWindow = X11RootWindow,
    .postKeyMessage = KdePostKeyMessage,
    .requestClose = KdeRequestClose,
    .setKeyTimer = KdeSetKeyTimer,
    .typeWaitingKeys = KdeTypeWaitingKeys,
    .keysWaiting = KdeKeysWaiting,
    .afterWaitingKeys = KdeAfterWaitingKeys,
    .dropWaitingKeys = KdeDropWaitingKeys,
    .eventFd = KdeDesktopFd,
    .handleEvents = KdeDesktopDispatch,
    .watchActiveWindow = KdeWatchActiveWindow,
    .activateDialog = KdeActivateDialog,
    .changeDisplaySettings = KdeChangeDisplaySettings,
    .sipInfo = KdeSipInfo,
};
