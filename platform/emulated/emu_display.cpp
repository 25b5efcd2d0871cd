// Implements platform/display.h on the emulated handheld (placeholder until key injection lands).
#include "platform/emulated/emu_display.h"

#include "platform/display.h"

void EmuResetDisplay() {}
void EmuSetRotationSupported(bool) {}
void EmuSetOrientation(DWORD) {}
DWORD EmuOrientation() { return 0; }
int EmuDisplayTestCount() { return 0; }

LONG ChangeDisplaySettingsEx(const WCHAR*, DEVMODEW*, HWND, DWORD, void*) { return DISP_CHANGE_FAILED; }
