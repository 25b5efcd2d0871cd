// The emulated Bluetooth radio.
#pragma once

#include <vector>

#include "platform/types.h"

void EmuResetBluetooth();
void EmuSetRadioMode(DWORD mode);
DWORD EmuRadioMode();
void EmuFailGetMode(bool fail);
void EmuFailSetMode(DWORD mode, bool fail);  // BthSetMode(mode) fails
// A fresh radio is the program's alone (switched off by BTH_POWER_OFF);
// a shared one is given back as found, like a desktop's adapter.
void EmuShareRadio(bool shared);
const std::vector<DWORD>& EmuRadioModeHistory();  // every successful BthSetMode
