// The emulated on-screen keyboard.
#pragma once

#include "platform/types.h"

void EmuResetSip();
void EmuSetSipFlags(DWORD flags);
DWORD EmuSipFlags();
void EmuFailSipQuery(bool fail);
