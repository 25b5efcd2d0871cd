// Implements platform/bluetooth.h: the radio is the first BlueZ adapter's Powered and Discoverable.
//
// Without BlueZ or an adapter there is no radio mode to report or set, so
// both calls fail.
#include "platform/bluetooth.h"
#include "platform/x11/bluez_client.h"

namespace {

constexpr int kNoRadio = 1;
constexpr int kUnknownMode = 2;

}  // namespace

int BthGetMode(DWORD* mode) {
    BluezRadio radio;
    if (mode == nullptr || !BluezReadRadio(&radio)) return kNoRadio;
    *mode = !radio.powered ? BTH_POWER_OFF : radio.discoverable ? BTH_DISCOVERABLE : BTH_CONNECTABLE;
    return 0;
}

int BthSetMode(DWORD mode) {
    if (mode != BTH_POWER_OFF && mode != BTH_CONNECTABLE && mode != BTH_DISCOVERABLE) return kUnknownMode;
    BluezRadio radio{mode != BTH_POWER_OFF, mode == BTH_DISCOVERABLE};
    return BluezWriteRadio(radio) ? 0 : kNoRadio;
}
