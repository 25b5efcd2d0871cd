// Implements platform/display.h with user32's display settings. The core
// counts 270 degrees as 4, the desktop as 3; a turn swaps the desktop's
// width and height, and Windows announces it as WM_DISPLAYCHANGE, which the
// dialog sees as WM_SETTINGCHANGE (native_user32.cpp).
#include "platform/display.h"

#include "platform/win32/native.h"

LONG ChangeDisplaySettingsEx(const WCHAR*, DEVMODEW* mode, HWND, DWORD flags, void*) {
    if (mode == nullptr) return DISP_CHANGE_FAILED;
    if (mode->dmFields & DM_DISPLAYQUERYORIENTATION) return native::TestDisplayRotation();
    if (!(mode->dmFields & DM_DISPLAYORIENTATION)) return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST) {
        uint32_t orientation = 0;
        LONG result = native::ReadDisplayOrientation(&orientation);
        if (result == DISP_CHANGE_SUCCESSFUL) mode->dmDisplayOrientation = orientation;
        return result;
    }
    return native::TurnDisplay(mode->dmDisplayOrientation);
}
