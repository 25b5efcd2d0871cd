// Implements WaylandChangeDisplaySettings of platform/wayland/wayland_desktop.h
// (platform/display.h on a wlroots compositor).
#include "platform/common/settings_change.h"
#include "platform/display.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_outputs.h"

namespace {

DWORD OrientationOfTransform(int transform) {
    switch (transform) {
        case 1: return DMDO_90;
        case 2: return DMDO_180;
        case 3: return DMDO_270;
        default: return DMDO_0;
    }
}

// -1 for a value that names no orientation the program turns to.
int TransformOfOrientation(DWORD orientation) {
    switch (orientation) {
        case DMDO_0: return WAYLAND_TRANSFORM_NORMAL;
        case DMDO_270: return WAYLAND_TRANSFORM_270;
        default: return -1;
    }
}

}  // namespace

LONG WaylandChangeDisplaySettings(DEVMODEW* mode, DWORD flags) {
    int transform = 0, width = 0, height = 0;
    if (mode == nullptr || mode->dmSize != sizeof(DEVMODEW) || !WaylandOutputState(&transform, &width, &height))
        return DISP_CHANGE_FAILED;
    bool query = mode->dmFields == DM_DISPLAYQUERYORIENTATION && flags == CDS_TEST;
    bool read = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_TEST;
    bool turn = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_RESET;
    if (query) {
        // The program turns between 0 and 270 degrees: the compositor's answer
        // to that configuration, asked without applying it, is the capability.
        bool accepted = WaylandTurnOutput(WAYLAND_TRANSFORM_270, true) == WaylandOutputResult::APPLIED;
        mode->dmDisplayOrientation = accepted ? DMDO_270 : 0;
        return accepted ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
    }
    if (read) {
        mode->dmDisplayOrientation = OrientationOfTransform(transform);
        return DISP_CHANGE_SUCCESSFUL;
    }
    int wanted = turn ? TransformOfOrientation(mode->dmDisplayOrientation) : -1;
    if (wanted < 0) return DISP_CHANGE_BADMODE;
    // Where it stands already, nothing is asked of the compositor.
    if (wanted != transform && WaylandTurnOutput(wanted, false) != WaylandOutputResult::APPLIED)
        return DISP_CHANGE_BADMODE;
    AnnounceSettingChange();
    return DISP_CHANGE_SUCCESSFUL;
}
