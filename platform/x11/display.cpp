// Implements X11ChangeDisplaySettings of platform/x11/desktop.h (platform/display.h on X) through XRandR (the screen's
// rotation).
#include <X11/extensions/Xrandr.h>

#include "platform/common/settings_change.h"
#include "platform/display.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

static DWORD OrientationOfRotation(Rotation rotation) {
    switch (rotation & (RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270)) {
        case RR_Rotate_90: return DMDO_90;
        case RR_Rotate_180: return DMDO_180;
        case RR_Rotate_270: return DMDO_270;
        default: return DMDO_0;
    }
}

// 0 for a value that names no orientation.
static Rotation RotationOfOrientation(DWORD orientation) {
    switch (orientation) {
        case DMDO_0: return RR_Rotate_0;
        case DMDO_90: return RR_Rotate_90;
        case DMDO_180: return RR_Rotate_180;
        case DMDO_270: return RR_Rotate_270;
        default: return 0;
    }
}

// The orientations other than the normal one that the screen offers, as DMDO_ bits.
static DWORD OtherOrientations(Rotation supported) {
    return ((supported & RR_Rotate_90) ? DMDO_90 : 0) | ((supported & RR_Rotate_180) ? DMDO_180 : 0) |
           ((supported & RR_Rotate_270) ? DMDO_270 : 0);
}

static LONG Rotate(Display* display, XRRScreenConfiguration* config, Rotation supported, DWORD orientation) {
    Rotation wanted = RotationOfOrientation(orientation);
    if (wanted == 0 || !(supported & wanted)) return DISP_CHANGE_BADMODE;
    Rotation current = 0;
    SizeID size = XRRConfigCurrentConfiguration(config, &current);
    X11BeginTrap();
    Status status = XRRSetScreenConfig(display, config, DefaultRootWindow(display), size, wanted, CurrentTime);
    bool ok = X11EndTrap() && status == Success;
    if (!ok) return DISP_CHANGE_FAILED;
    AnnounceSettingChange();
    return DISP_CHANGE_SUCCESSFUL;
}

// A turn asked for while keys wait to be typed comes after them.
static void RotateLater(long orientation, long) {
    Display* display = X11DesktopDisplay();
    XRRScreenConfiguration* config = display ? XRRGetScreenInfo(display, DefaultRootWindow(display)) : nullptr;
    if (!config) return;
    Rotation current = 0;
    Rotate(display, config, XRRConfigRotations(config, &current) | RR_Rotate_0, static_cast<DWORD>(orientation));
    XRRFreeScreenConfigInfo(config);
}

LONG X11ChangeDisplaySettings(DEVMODEW* mode, DWORD flags) {
    Display* display = X11DesktopDisplay();
    if (!mode || mode->dmSize != sizeof(DEVMODEW) || !display) return DISP_CHANGE_FAILED;
    bool query = mode->dmFields == DM_DISPLAYQUERYORIENTATION && flags == CDS_TEST;
    bool read = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_TEST;
    bool turn = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_RESET;
    if (!query && !read && !turn) return DISP_CHANGE_BADMODE;
    int eventBase = 0, errorBase = 0;
    XRRScreenConfiguration* config = XRRQueryExtension(display, &eventBase, &errorBase)
                                         ? XRRGetScreenInfo(display, DefaultRootWindow(display))
                                         : nullptr;
    Rotation current = RR_Rotate_0;
    // Without XRandR the screen stands where it is and cannot turn.
    Rotation supported = config ? XRRConfigRotations(config, &current) : RR_Rotate_0;
    LONG result = DISP_CHANGE_SUCCESSFUL;
    if (query) {
        mode->dmDisplayOrientation = OtherOrientations(supported);
        result = (supported & RR_Rotate_270) ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
    } else if (read) {
        mode->dmDisplayOrientation = OrientationOfRotation(current);
    } else if (X11KeysWaiting() > 0) {
        X11AfterWaitingKeys(RotateLater, static_cast<long>(mode->dmDisplayOrientation), 0);
    } else if (!config) {
        result = mode->dmDisplayOrientation == DMDO_0 ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
        if (result == DISP_CHANGE_SUCCESSFUL) AnnounceSettingChange();
    } else {
        result = Rotate(display, config, supported | RR_Rotate_0, mode->dmDisplayOrientation);
    }
    if (config) XRRFreeScreenConfigInfo(config);
    return result;
}
