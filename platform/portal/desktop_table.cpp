// The portal desktop's entry in the table of platform/linux/desktop.h: a
// Wayland session whose compositor lets programs type only through the
// desktop portal, once the user agreed (GNOME, KDE without fake input).
#include "platform/linux/desktop.h"
#include "platform/portal/portal_desktop.h"
#include "platform/x11/desktop.h"

// Keys wait in turn for the portal to take the one before.
const Desktop PORTAL_DESKTOP = {
    .open = PortalDesktopOpen,
    .close = PortalDesktopClose,
    .reachesWayland = true,
    .findTopLevel = X11FindTopLevel,
    .activeWindow = PortalActiveWindow,
    .keyboardTarget = PortalActiveWindow,  // the keyboard goes where the focus is
    .showAndActivate = PortalShowAndActivate,
    .activate = PortalActivate,
    .hide = PortalHide,
    .windowExists = PortalWindowExists,
    // The dialog is on Xwayland's display, whose root stands for the desktop.
    .rootWindow = X11RootWindow,
    .postKeyMessage = PortalPostKeyMessage,
    .requestClose = PortalRequestClose,
    .setKeyTimer = PortalSetKeyTimer,
    .typeWaitingKeys = PortalTypeWaitingKeys,
    .keysWaiting = PortalKeysWaiting,
    .afterWaitingKeys = PortalAfterWaitingKeys,
    .eventFd = PortalEventFd,
    .handleEvents = PortalHandleEvents,
    .changeDisplaySettings = PortalChangeDisplaySettings,
    .sipInfo = PortalSipInfo,
};
