// The emulated on-screen keyboard.
//
// A fresh keyboard is hidden and unlocked. A query fills the whole record
// (flags and the two rectangles, which depend on whether it is shown).
#pragma once

#include <vector>

#include "platform/sip.h"

void EmuResetSip();
void EmuSetSipFlags(DWORD flags);
DWORD EmuSipFlags();
// SPI_GETSIPINFO returns FALSE and leaves the record unchanged.
void EmuFailSipQuery(bool fail);
// SPI_SETSIPINFO returns FALSE and changes nothing.
void EmuFailSipSet(bool fail);

// Every record the program applied with SPI_SETSIPINFO, as passed.
const std::vector<SIPINFO>& EmuSipSets();
