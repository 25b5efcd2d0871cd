// The X11 desktop's entry in the table of platform/linux/desktop.h: any X
// display, and Xwayland where no Wayland desktop serves.
#include "platform/linux/desktop.h"
#include "platform/x11/desktop.h"

namespace {
bool Open() { return X11DesktopOpen(nullptr); }
}  // namespace

const Desktop X11_DESKTOP = {
    Open,
    X11DesktopClose,
    false,
    X11FindTopLevel,
    X11ActiveWindow,
    X11KeyboardTarget,
    X11ShowAndActivate,
    X11Activate,
    X11Hide,
    X11WindowExists,
    X11RootWindow,
    X11PostKeyMessage,
    X11RequestClose,
    X11SetKeyTimer,
    X11TypeWaitingKeys,
    X11KeysWaiting,
    X11AfterWaitingKeys,
    X11DropWaitingKeys,
    X11EventFd,
    X11HandleEvents,
    X11WatchActiveWindow,
    nullptr,
    X11ChangeDisplaySettings,
    X11SipInfo,
};
