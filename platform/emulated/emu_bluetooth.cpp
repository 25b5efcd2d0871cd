// Implements platform/bluetooth.h on the emulated handheld.
#include "platform/emulated/emu_bluetooth.h"

#include <set>

#include "platform/bluetooth.h"

namespace {
struct RadioState {
    DWORD mode = BTH_POWER_OFF;
    bool failGet = false;
    std::set<DWORD> failSet;
    std::vector<DWORD> history;
};
RadioState g_radio;
}  // namespace

void EmuResetBluetooth() { g_radio = RadioState(); }
void EmuSetRadioMode(DWORD mode) { g_radio.mode = mode; }
DWORD EmuRadioMode() { return g_radio.mode; }
void EmuFailGetMode(bool fail) { g_radio.failGet = fail; }
void EmuFailSetMode(DWORD mode, bool fail) {
    if (fail)
        g_radio.failSet.insert(mode);
    else
        g_radio.failSet.erase(mode);
}
const std::vector<DWORD>& EmuRadioModeHistory() { return g_radio.history; }

int BthGetMode(DWORD* mode) {
    if (g_radio.failGet) return 1;
    *mode = g_radio.mode;
    return 0;
}

int BthSetMode(DWORD mode) {
    if (mode > BTH_DISCOVERABLE || g_radio.failSet.count(mode) != 0) return 1;
    g_radio.mode = mode;
    g_radio.history.push_back(mode);
    return 0;
}
