// The emulated display: orientation, its support, and failures.
#pragma once

#include "platform/types.h"

void EmuResetDisplay();
void EmuSetRotationSupported(bool supported);
void EmuSetOrientation(DWORD orientation);
DWORD EmuOrientation();
int EmuDisplayTestCount();  // capability tests made (CDS_TEST with DM_DISPLAYQUERYORIENTATION)
