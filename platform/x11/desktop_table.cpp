// The X11 desktop's entry in the table of platform/linux/desktop.h: any X
// display, and Xwayland where no Wayland desktop serves.
#include "platform/linux/desktop.h"
#include "platform/x11/desktop.h"

namespace {
bool Open() { return X11DesktopOpen(nullptr); }
}  // namespace

const Desktop X11_DESKTOP = {
    .open = Open,
    .close = X11DesktopClose,
    .reachesWayland = false,
    .findTopLevel = X11FindTopLevel,
    .activeWindow = X11ActiveWindow,
    .keyboardTarget = X11KeyboardTarget,
    .showAndActivate = X11ShowAndActivate,
    .activate = X11Activate,
    .hide = X11Hide,
    .windowExists = X11WindowExists,
    .rootWindow = X11RootWindow,
    .postKeyMessage = X11PostKeyMessage,
    .requestClose = X11RequestClose,
    .setKeyTimer = X11SetKeyTimer,
    .typeWaitingKeys = X11TypeWaitingKeys,
    .keysWaiting = X11KeysWaiting,
    .afterWaitingKeys = X11AfterWaitingKeys,
    .dropWaitingKeys = X11DropWaitingKeys,
    .eventFd = X11EventFd,
    .handleEvents = X11HandleEvents,
    .watchActiveWindow = X11WatchActiveWindow,
    .changeDisplaySettings = X11ChangeDisplaySettings,
    .sipInfo = X11SipInfo,
};
