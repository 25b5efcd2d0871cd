// Implements platform/sip.h on the emulated handheld (placeholder until key injection lands).
#include "platform/emulated/emu_sip.h"

#include "platform/sip.h"

void EmuResetSip() {}
void EmuSetSipFlags(DWORD) {}
DWORD EmuSipFlags() { return 0; }
void EmuFailSipQuery(bool) {}

BOOL SHSipInfo(UINT, UINT, void*, UINT) { return FALSE; }
