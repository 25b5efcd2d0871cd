// The emulated display: orientation, its support, and failures.
//
// A fresh display takes every orientation (DMDO_90 | DMDO_180 | DMDO_270
// besides DMDO_0) and stands at DMDO_0. A turn is announced through
// platform/common/settings_change.h; the emulated window manager passes it
// to the dialog as WM_SETTINGCHANGE.
#pragma once

#include <vector>

#include "platform/display.h"

void EmuResetDisplay();
void EmuSetRotationSupported(bool supported);  // every orientation, or DMDO_0 alone
void EmuSetScreenTurns(DWORD orientations);    // DMDO_ bits besides DMDO_0
void EmuSetOrientation(DWORD orientation);
DWORD EmuOrientation();
int EmuDisplayTestCount();  // capability tests made (CDS_TEST with DM_DISPLAYQUERYORIENTATION)
// Reads and changes of the orientation fail with DISP_CHANGE_FAILED, the
// record and the orientation then unchanged (the capability test still answers).
void EmuFailDisplayChanges(bool fail);

// Every ChangeDisplaySettingsEx call, with the record as the program passed it.
struct EmuDisplayCall {
    bool deviceNameGiven;
    DEVMODEW mode;
    HWND window;
    DWORD flags;
    bool paramGiven;
    LONG result;
};
const std::vector<EmuDisplayCall>& EmuDisplayCalls();
