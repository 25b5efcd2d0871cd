// Implements platform/bluetooth.h: the radio is the first BlueZ adapter's Powered and Discoverable.
//
// Without BlueZ or an adapter there is no radio mode to report or set, so
// both calls fail.
#include "platform/bluetooth.h"
#include "platform/linux/bluez_client.h"

namespace {

constexpr int kNoRadio = 1;
constexpr int kUnknownMode = 2;

struct RadioState {
    BluezRadio found;  // the adapter as it was before Tastra changed it
    bool changed;
};
RadioState g_radio{};

}  // namespace

int BthGetMode(DWORD* mode) {
    BluezRadio radio;
    if (mode == nullptr || !BluezReadRadio(&radio)) return kNoRadio;
    *mode = !radio.powered ? BTH_POWER_OFF : radio.discoverable ? BTH_DISCOVERABLE : BTH_CONNECTABLE;
    return 0;
}

// The radio is the user's, shared with headsets and mice: the adapter's state
// is noted when Tastra first changes it, and switching off gives it back as
// found instead of powering off a radio that Tastra did not switch on.
int BthSetMode(DWORD mode) {
    if (mode != BTH_POWER_OFF && mode != BTH_CONNECTABLE && mode != BTH_DISCOVERABLE) return kUnknownMode;
    if (mode == BTH_POWER_OFF) {
        BluezRadio current;
        if (!g_radio.changed) return BluezReadRadio(&current) ? 0 : kNoRadio;
        if (!BluezWriteRadio(g_radio.found)) return kNoRadio;
        g_radio.changed = false;
        return 0;
    }
    if (!g_radio.changed && !BluezReadRadio(&g_radio.found)) return kNoRadio;
    if (!BluezWriteRadio(BluezRadio{true, mode == BTH_DISCOVERABLE})) return kNoRadio;
    g_radio.changed = true;
    return 0;
}
