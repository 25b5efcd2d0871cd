// Implements platform/display.h on the emulated handheld.
#include "platform/emulated/emu_display.h"

#include "platform/common/settings_change.h"

namespace {
constexpr DWORD ALL_TURNS = DMDO_90 | DMDO_180 | DMDO_270;

struct DisplayState {
    DWORD turns = ALL_TURNS;  // the orientations besides DMDO_0 the screen takes
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
    mode->dmDisplayOrientation = g_display.turns;
    return (g_display.turns & DMDO_270) != 0 ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
}

LONG ReadOrientation(DEVMODEW* mode) {
    if (g_display.failChanges) return DISP_CHANGE_FAILED;
    mode->dmDisplayOrientation = g_display.orientation;
    return DISP_CHANGE_SUCCESSFUL;
}

LONG ChangeOrientation(const DEVMODEW* mode) {
    if (g_display.failChanges) return DISP_CHANGE_FAILED;
    DWORD wanted = mode->dmDisplayOrientation;
    if (!IsOrientation(wanted) || (wanted != DMDO_0 && (g_display.turns & wanted) == 0)) return DISP_CHANGE_BADMODE;
    g_display.orientation = wanted;
    AnnounceSettingChange();
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

void EmuResetDisplay() { g_display = DisplayState(); }
void EmuSetRotationSupported(bool supported) { g_display.turns = supported ? ALL_TURNS : 0; }
void EmuSetScreenTurns(DWORD orientations) { g_display.turns = orientations & ALL_TURNS; }
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
