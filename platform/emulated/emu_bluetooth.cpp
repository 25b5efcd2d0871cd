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
    bool shared = false;
    bool changed = false;  // a shared radio switched since the last BTH_POWER_OFF
    DWORD found = BTH_POWER_OFF;
};
RadioState g_radio;
}  // namespace

void EmuResetBluetooth() { g_radio = RadioState(); }
void EmuSetRadioMode(DWORD mode) { g_radio.mode = mode; }
DWORD EmuRadioMode() { return g_radio.mode; }
void EmuFailGetMode(bool fail) { g_radio.failGet = fail; }
void EmuShareRadio(bool shared) { g_radio.shared = shared; }
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
    g_radio.history.push_back(mode);
    if (!g_radio.shared) {
        g_radio.mode = mode;
    } else if (mode == BTH_POWER_OFF) {
        if (g_radio.changed) g_radio.mode = g_radio.found;
        g_radio.changed = false;
    } else {
        if (!g_radio.changed) g_radio.found = g_radio.mode;
        g_radio.changed = true;
        g_radio.mode = mode;
    }
    return 0;
}
