// Implements X11ChangeDisplaySettings of platform/x11/desktop.h (platform/display.h on X) through XRandR (the screen's rotation).
#include <X11/extensions/Xrandr.h>

#include "platform/display.h"
#include "platform/x11/desktop_internal.h"
#include "platform/x11/desktop.h"
#include "platform/common/settings_change.h"

static DWORD OrientationOfRotation(Rotation rotation)
{
    switch (rotation & (RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270)) {
    case RR_Rotate_90: return DMDO_90;
    case RR_Rotate_180: return DMDO_180;
    case RR_Rotate_270: return DMDO_270;
    default: return DMDO_0;
    }
}

// 0 for a value that names no orientation.
static Rotation RotationOfOrientation(DWORD orientation)
{
    switch (orientation) {
    case DMDO_0: return RR_Rotate_0;
    case DMDO_90: return RR_Rotate_90;
    case DMDO_180: return RR_Rotate_180;
    case DMDO_270: return RR_Rotate_270;
    default: return 0;
    }
}

// The orientations other than the normal one that the screen offers, as DMDO_ bits.
static DWORD OtherOrientations(Rotation supported)
{
    return ((supported & RR_Rotate_90) ? DMDO_90 : 0) | ((supported & RR_Rotate_180) ? DMDO_180 : 0) |
           ((supported & RR_Rotate_270) ? DMDO_270 : 0);
}

static LONG Rotate(Display* display, XRRScreenConfiguration* config, Rotation supported, DWORD orientation)
{
    Rotation wanted = RotationOfOrientation(orientation);
    if (wanted == 0 || !(supported & wanted))
        return DISP_CHANGE_BADMODE;
    Rotation current = 0;
    SizeID size = XRRConfigCurrentConfiguration(config, &current);
    X11BeginTrap();
    Status status = XRRSetScreenConfig(display, config, DefaultRootWindow(display), size, wanted, CurrentTime);
    bool ok = X11EndTrap() && status == Success;
    if (!ok)
        return DISP_CHANGE_FAILED;
    AnnounceSettingChange();
    return DISP_CHANGE_SUCCESSFUL;
}

LONG X11ChangeDisplaySettings(DEVMODEW* mode, DWORD flags)
{
    Display* display = X11DesktopDisplay();
    if (!mode || !display)
        return DISP_CHANGE_FAILED;
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase))
        return DISP_CHANGE_BADMODE;
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, DefaultRootWindow(display));
    if (!config)
        return DISP_CHANGE_FAILED;
    Rotation current = 0;
    Rotation supported = XRRConfigRotations(config, &current);
    LONG result = DISP_CHANGE_BADMODE;
    if (mode->dmFields & DM_DISPLAYQUERYORIENTATION) {
        // The program turns between 0 and 270 degrees: that is the capability.
        mode->dmDisplayOrientation = OtherOrientations(supported);
        result = (supported & RR_Rotate_270) ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
    } else if ((mode->dmFields & DM_DISPLAYORIENTATION) && (flags & CDS_TEST)) {
        mode->dmDisplayOrientation = OrientationOfRotation(current);
        result = DISP_CHANGE_SUCCESSFUL;
    } else if (mode->dmFields & DM_DISPLAYORIENTATION) {
        result = Rotate(display, config, supported, mode->dmDisplayOrientation);
    }
    XRRFreeScreenConfigInfo(config);
    return result;
}
