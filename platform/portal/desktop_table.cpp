// The portal desktop's entry in the table of platform/linux/desktop.h: a
// Wayland session whose compositor lets programs type only through the
// desktop portal, once the user agreed (GNOME, KDE without fake input).
#include "platform/linux/desktop.h"
#include "platform/portal/portal_desktop.h"
#include "platform/x11/desktop.h"

// Keys wait in turn for the portal to take the one before.
const Desktop PORTAL_DESKTOP = {
    PortalDesktopOpen,
    PortalDesktopClose,
    true,
    X11FindTopLevel,
    PortalActiveWindow,
    PortalActiveWindow,  // the keyboard goes where the focus is
    PortalShowAndActivate,
    PortalActivate,
    PortalHide,
    PortalWindowExists,
    X11RootWindow,  // the dialog is on Xwayland's display, whose root stands for the desktop
    PortalPostKeyMessage,
    PortalRequestClose,
    PortalSetKeyTimer,
    PortalTypeWaitingKeys,
    PortalKeysWaiting,
    PortalAfterWaitingKeys,
    PortalEventFd,
    PortalHandleEvents,
    nullptr,
    PortalChangeDisplaySettings,
    PortalSipInfo,
};
