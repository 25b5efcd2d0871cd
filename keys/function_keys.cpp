// PF1 to PF4: actions on the computer itself.
#include "keys/function_keys.h"

#include "platform/display.h"
#include "platform/sip.h"
#include "platform/window.h"

BYTE g_rotationSupport = 255;

namespace {
constexpr BYTE ROTATION_UNTESTED = 255;
constexpr WORD DEVMODE_BYTES = sizeof(DEVMODEW);
constexpr DWORD SIPINFO_BYTES = sizeof(SIPINFO);

// A cleared display record asking about `fields`.
DEVMODEW DisplayRecord(DWORD fields) {
    DEVMODEW mode{};
    mode.dmSize = DEVMODE_BYTES;
    mode.dmFields = fields;
    return mode;
}
}  // namespace

void ToggleMainWindow(HWND dialog) {
    if (GetForegroundWindow() == dialog) {
        ShowWindow(dialog, SW_HIDE);
        return;
    }
    // Hidden, or visible behind another application: either way to the front.
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
}

void ToggleSip() {
    SIPINFO info{};
    info.cbSize = SIPINFO_BYTES;
    // A failed query leaves the flags 0, so the keyboard is then asked to show.
    SHSipInfo(SPI_GETSIPINFO, 0, &info, 0);
    info.fdwFlags = (info.fdwFlags ^ SIPF_ON) & ~SIPF_LOCKED;
    SHSipInfo(SPI_SETSIPINFO, 0, &info, 0);
}

void ToggleDisplayOrientation() {
    WORD orientation = GetDisplayOrientation();
    SetDisplayOrientation(orientation == DMDO_0 ? static_cast<WORD>(DMDO_270) : static_cast<WORD>(DMDO_0));
}

void CloseForegroundWindow() {
    HWND window = GetForegroundWindow();
    if (window == 0 || window == -1) return;
    SendMessageW(window, WM_CLOSE, 0, 0);
    // Posted whether or not the window survived the close request.
    PostMessageW(window, WM_DESTROY, 0, 0);
}

BYTE CanRotateDisplay() {
    if (g_rotationSupport != ROTATION_UNTESTED) return g_rotationSupport;
    DEVMODEW mode = DisplayRecord(DM_DISPLAYQUERYORIENTATION);
    LONG result = ChangeDisplaySettingsEx(nullptr, &mode, 0, CDS_TEST, nullptr);
    g_rotationSupport = result == DISP_CHANGE_SUCCESSFUL ? 1 : 0;
    return g_rotationSupport;
}

WORD GetDisplayOrientation() {
    if (CanRotateDisplay() != 1) return 0;
    DEVMODEW mode = DisplayRecord(DM_DISPLAYORIENTATION);
    ChangeDisplaySettingsEx(nullptr, &mode, 0, CDS_TEST, nullptr);
    return static_cast<WORD>(mode.dmDisplayOrientation & 0xFFFF);
}

void SetDisplayOrientation(WORD orientation) {
    if (CanRotateDisplay() != 1) return;
    DEVMODEW mode = DisplayRecord(DM_DISPLAYORIENTATION);
    mode.dmDisplayOrientation = orientation;
    ChangeDisplaySettingsEx(nullptr, &mode, 0, CDS_RESET, nullptr);
}
