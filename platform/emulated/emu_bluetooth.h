// The emulated Bluetooth radio.
#pragma once

#include <vector>

#include "platform/types.h"

void EmuResetBluetooth();
void EmuSetRadioMode(DWORD mode);
DWORD EmuRadioMode();
void EmuFailGetMode(bool fail);
void EmuFailSetMode(DWORD mode, bool fail);  // BthSetMode(mode) fails
const std::vector<DWORD>& EmuRadioModeHistory();  // every successful BthSetMode
