// Implements platform/registry.h: a read-only registry built from the machine's serial lines and BlueZ.
//
// HKEY_LOCAL_MACHINE\Drivers\Active holds one subkey per line of the device
// view, "00" to "09" by COM index, with "Name" (COMn:) and "Key" (a driver
// path whose last component describes the line). When BlueZ answers,
// Software\Microsoft\Bluetooth\Device holds one subkey per paired device,
// named by its address as 12 hex digits, with "name" and a "Services" subkey
// per service UUID. The Serial Port service's "channel" is
// RFCOMM_CHANNEL_MULTIPLE: the port-emulation driver lets bluetoothd find the
// device's channel when it connects, which no ordinary user can read before.
// The tree (platform/common/registry_tree.h) is built anew as its rule says.
#include <cstring>

#include "platform/bluetooth.h"
#include "platform/common/registry_tree.h"
#include "platform/linux/bluez_client.h"
#include "platform/linux/device_view.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

// The root, Drivers, Active, and Software\Microsoft\Bluetooth\Device.
constexpr int kFixedKeys = 7;
// A device key, its Services key and one key per service.
constexpr int kKeysPerDevice = 2 + BLUEZ_MAX_UUIDS;
static_assert(kFixedKeys + VIEW_MAX_PORTS + BLUEZ_MAX_DEVICES * kKeysPerDevice <= REGISTRY_TREE_MAX_KEYS);
// Name and Key per line; name and channel per device.
static_assert(2 * VIEW_MAX_PORTS + 2 * BLUEZ_MAX_DEVICES <= REGISTRY_TREE_MAX_VALUES);
static_assert(BLUEZ_UUID_CHARS <= REGISTRY_TREE_KEY_CHARS);
constexpr int kAddressDigits = 12;

struct RegistryState {
    // Kept here rather than on the stack of every rebuild.
    ViewPort ports[VIEW_MAX_PORTS];
    BluezDevice devices[BLUEZ_MAX_DEVICES];
};
RegistryState g_registry;

void AddDriver(int active, const ViewPort& port) {
    WCHAR name[REGISTRY_TREE_KEY_CHARS], text[MAX_TEXT], description[VIEW_PATH_CHARS];
    WFormat(name, REGISTRY_TREE_KEY_CHARS, u"%d%d", port.index / 10, port.index % 10);
    int driver = AddRegistryKey(active, name);
    WFormat(text, MAX_TEXT, u"COM%d:", port.index);
    AddRegistryText(driver, u"Name", text);
    WFromBytes(description, port.description, VIEW_PATH_CHARS);
    WFormat(text, MAX_TEXT, port.attached ? u"Drivers\\Attached\\%s" : u"Drivers\\Linux\\%s", description);
    AddRegistryText(driver, u"Key", text);
}

// "AA:BB:CC:DD:EE:FF" as "AABBCCDDEEFF"; false for any other text.
bool AddressKeyName(const char* address, WCHAR* keyName) {
    int digits = 0;
    for (int i = 0; address[i] != '\0'; ++i) {
        if (i % 3 == 2) {
            if (address[i] != ':') return false;
            continue;
        }
        WCHAR c = static_cast<unsigned char>(address[i]);
        if (WHexDigit(c) < 0 || digits == kAddressDigits) return false;
        keyName[digits++] = static_cast<WCHAR>(c >= u'a' ? c - u'a' + u'A' : c);
    }
    keyName[digits] = 0;
    return digits == kAddressDigits;
}

// Characters 4 to 7 of the UUID text name the 16-bit service class.
bool IsSerialPortUuid(const char* uuid) { return strlen(uuid) >= 8 && strncmp(uuid + 4, "1101", 4) == 0; }

void AddDevice(int devices, const BluezDevice& device) {
    WCHAR keyName[kAddressDigits + 1], text[REGISTRY_TREE_KEY_CHARS];
    if (!AddressKeyName(device.address, keyName) || RegistryChild(devices, keyName, kAddressDigits) >= 0) return;
    int key = AddRegistryKey(devices, keyName);
    AddRegistryText(key, u"name", device.name);
    int services = AddRegistryKey(key, u"Services");
    bool channelGiven = false;
    for (int i = 0; i < device.uuidCount; ++i) {
        int service = AddRegistryKey(services, WFromBytes(text, device.uuids[i], REGISTRY_TREE_KEY_CHARS));
        if (channelGiven || !IsSerialPortUuid(device.uuids[i])) continue;
        channelGiven = true;
        AddRegistryNumber(service, u"channel", RFCOMM_CHANNEL_MULTIPLE);
    }
}

// Only a BlueZ that answers gives the Bluetooth keys; a missing one leaves no trace.
void AddBluetooth() {
    BluezDevice* devices = g_registry.devices;
    int count = BluezListPairedDevices(devices, BLUEZ_MAX_DEVICES);
    if (count < 0) return;
    int software = AddRegistryKey(REGISTRY_TREE_ROOT, u"Software");
    int microsoft = AddRegistryKey(software, u"Microsoft");
    int bluetooth = AddRegistryKey(microsoft, u"Bluetooth");
    int deviceRoot = AddRegistryKey(bluetooth, u"Device");
    // A device whose RFCOMM tty is bound already is listed once, as that tty:
    // its Bluetooth entry would bind a second one.
    for (int i = 0; i < count; ++i)
        if (!RfcommTtyBoundTo(devices[i].address)) AddDevice(deviceRoot, devices[i]);
}

}  // namespace

void BuildRegistryTree() {
    int drivers = AddRegistryKey(REGISTRY_TREE_ROOT, u"Drivers");
    int active = AddRegistryKey(drivers, u"Active");
    int count = ScanDeviceView(g_registry.ports);
    for (int i = 0; i < count; ++i)
        AddDriver(active, g_registry.ports[i]);
    AddBluetooth();
}
