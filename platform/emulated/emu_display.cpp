// Implements platform/display.h on the emulated handheld.
#include "platform/emulated/emu_display.h"

#include "platform/emulated/emu_window.h"
#include "platform/window.h"

namespace {
constexpr DWORD SUPPORTED_ORIENTATIONS = DMDO_90 | DMDO_180 | DMDO_270;

struct DisplayState {
    bool rotationSupported = true;
    DWORD orientation = DMDO_0;
    bool failChanges = false;
    int tests = 0;
    std::vector<EmuDisplayCall> calls;
};
DisplayState g_display;

bool IsOrientation(DWORD value) {
    return value == DMDO_0 || value == DMDO_90 || value == DMDO_180 || value == DMDO_270;
}

LONG TestCapability(DEVMODEW* mode) {
    ++g_display.tests;
    if (!g_display.rotationSupported) return DISP_CHANGE_BADMODE;
    mode->dmDisplayOrientation = SUPPORTED_ORIENTATIONS;
    return DISP_CHANGE_SUCCESSFUL;
}

LONG ReadOrientation(DEVMODEW* mode) {
    if (g_display.failChanges) return DISP_CHANGE_FAILED;
    mode->dmDisplayOrientation = g_display.orientation;
    return DISP_CHANGE_SUCCESSFUL;
}

LONG ChangeOrientation(const DEVMODEW* mode) {
    if (g_display.failChanges) return DISP_CHANGE_FAILED;
    if (!g_display.rotationSupported || !IsOrientation(mode->dmDisplayOrientation)) return DISP_CHANGE_BADMODE;
    g_display.orientation = mode->dmDisplayOrientation;
    if (EmuDialog() != 0) PostMessageW(EmuDialog(), WM_SETTINGCHANGE, 0, 0);
    return DISP_CHANGE_SUCCESSFUL;
}

LONG Dispatch(DEVMODEW* mode, DWORD flags) {
    if (mode == nullptr || mode->dmSize != sizeof(DEVMODEW)) return DISP_CHANGE_FAILED;
    if (flags == CDS_TEST && mode->dmFields == DM_DISPLAYQUERYORIENTATION) return TestCapability(mode);
    if (flags == CDS_TEST && mode->dmFields == DM_DISPLAYORIENTATION) return ReadOrientation(mode);
    if (flags == CDS_RESET && mode->dmFields == DM_DISPLAYORIENTATION) return ChangeOrientation(mode);
    return DISP_CHANGE_BADMODE;
}
}  // namespace

void EmuResetDisplay() {
    std::vector<EmuDisplayCall> calls = std::move(g_display.calls);  // keeps its storage, as the message log does
    calls.clear();
    g_display = DisplayState();
    g_display.calls = std::move(calls);
}
void EmuSetRotationSupported(bool supported) { g_display.rotationSupported = supported; }
void EmuSetOrientation(DWORD orientation) { g_display.orientation = orientation; }
DWORD EmuOrientation() { return g_display.orientation; }
int EmuDisplayTestCount() { return g_display.tests; }
void EmuFailDisplayChanges(bool fail) { g_display.failChanges = fail; }
const std::vector<EmuDisplayCall>& EmuDisplayCalls() { return g_display.calls; }

LONG ChangeDisplaySettingsEx(const WCHAR* deviceName, DEVMODEW* mode, HWND window, DWORD flags, void* param) {
    EmuDisplayCall call{deviceName != nullptr, mode ? *mode : DEVMODEW{}, window, flags, param != nullptr, 0};
    call.result = Dispatch(mode, flags);
    g_display.calls.push_back(call);
    return call.result;
}
