// A small client of BlueZ (org.bluez on the system bus): the first adapter's
// radio and the paired devices (the Serial Port links are in bluez_profile.h).
//
// Every call opens its own connection, so a bus that comes or goes between
// calls is seen as it is; sd-bus takes the bus from DBUS_SYSTEM_BUS_ADDRESS
// when set. A missing bus, no BlueZ on it or a call that times out is a
// failure return, never an exception, and no call waits long for an answer.
#pragma once

#include "platform/types.h"

constexpr int BLUEZ_ADDRESS_CHARS = 18;  // "AA:BB:CC:DD:EE:FF" and the terminator
constexpr int BLUEZ_UUID_CHARS = 37;     // the 36-character text form and the terminator
// Phones list twenty-odd services; more are cut off, not overflowed.
constexpr int BLUEZ_MAX_UUIDS = 32;
// Far more than a handheld's terminal ever pairs with; more are cut off.
constexpr int BLUEZ_MAX_DEVICES = 16;

struct BluezRadio {
    bool powered;
    bool discoverable;
};

struct BluezDevice {
    char address[BLUEZ_ADDRESS_CHARS];  // as BlueZ gives it, "AA:BB:CC:DD:EE:FF"
    WCHAR name[MAX_TEXT];               // Name, else Alias; cut to fit
    int uuidCount;
    char uuids[BLUEZ_MAX_UUIDS][BLUEZ_UUID_CHARS];
};

// The first adapter (lowest object path). false when there is none or BlueZ
// does not answer.
bool BluezReadRadio(BluezRadio* radio);

// Sets the first adapter's Powered, and Discoverable when it is powered
// (powering off ends discoverability by itself). false when there is no
// adapter or BlueZ refuses.
bool BluezWriteRadio(const BluezRadio& radio);

// The paired devices of every adapter in object-path order, at most
// `capacity`. -1 when BlueZ does not answer.
int BluezListPairedDevices(BluezDevice* devices, int capacity);
