// The port list: active serial drivers, configured Bluetooth serial ports and
// paired devices offering the Serial Port service, as port entry texts.
#include "ports/port_list.h"

#include "platform/registry.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ports/port_entry.h"
#include "ports/port_value.h"
#include "ports/registry_lookup.h"

static const WCHAR ACTIVE_DRIVERS_PATH[] = u"Drivers\\Active";
static const WCHAR SERIAL_PORTS_PATH[] = u"Software\\Microsoft\\Bluetooth\\Serial\\Ports";
static const WCHAR DEVICES_PATH[] = u"Software\\Microsoft\\Bluetooth\\Device";
// A "Serial\Ports" subkey's name holds its device key's name from here on.
constexpr int PORT_KEY_DEVICE_POS = 4;

static void AddEntry(HWND portList, const WCHAR* entry) {
    SendMessageW(portList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
}

// The last component of a driver's "Key"; a "Key" without a backslash is
// all last component.
static const WCHAR* DriverDescription(const WCHAR* key) {
    const WCHAR* slash = WFindLastChar(key, u'\\');
    return slash ? slash + 1 : key;
}

// Drivers that are no terminal line: Bluetooth and infrared serial drivers
// (Bluetooth ports are listed from their own keys), GPS receivers and the
// device manager's own bookkeeping.
static int IsHiddenDriver(const WCHAR* description) {
    return WCompareN(description, u"SerialBT", 8) == 0 || WCompareN(description, u"SerialIR", 8) == 0 ||
           WFind(description, u"GPS") != nullptr || WCompareN(description, u"ActiveDevice", 12) == 0;
}

static void AddDriverEntry(HWND portList, HKEY driver, const WCHAR* prefix) {
    WCHAR name[DEVICE_NAME_CHARS + 1];
    if (!RegReadString(driver, u"Name", name, sizeof(name))) return;
    if (WLen(name) != DEVICE_NAME_CHARS || WCompareN(name, prefix, 3) != 0) return;
    WCHAR key[MAX_TEXT];
    if (!RegReadString(driver, u"Key", key, sizeof(key))) return;
    const WCHAR* description = DriverDescription(key);
    if (IsHiddenDriver(description)) return;
    // An overlong description is cut: the device name in front stays whole.
    WCHAR entry[MAX_TEXT];
    WFormat(entry, MAX_TEXT, u"%s %s", name, description);
    AddEntry(portList, entry);
}

int ListActivePorts(HWND portList, const WCHAR* prefix) {
    HKEY drivers;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ACTIVE_DRIVERS_PATH, 0, 0, &drivers) != ERROR_SUCCESS) return 0;
    WCHAR name[MAX_TEXT];
    HKEY driver;
    for (int position = 0; position <= 255; ++position) {
        if (!RegOpenSubkeyByIndex(drivers, static_cast<BYTE>(position), name, &driver)) break;
        AddDriverEntry(portList, driver, prefix);
        RegCloseKey(driver);
    }
    RegCloseKey(drivers);
    return 1;
}

void AddBluetoothPortEntry(HWND portList, HKEY deviceKey, const WCHAR* deviceName) {
    WCHAR deviceTitle[MAX_TEXT];
    WCHAR entry[MAX_TEXT];
    if (!RegReadString(deviceKey, u"name", deviceTitle, sizeof(deviceTitle))) {
        WFormat(entry, MAX_TEXT, u"%s %sout", deviceName, BT_MARKER);
    } else {
        // The connect finds the device again by the whole name after the
        // marker, so a name that does not fit is left out, not cut.
        if (WLen(deviceName) + 1 + WLen(BT_MARKER) + WLen(deviceTitle) > MAX_TEXT - 1) return;
        WFormat(entry, MAX_TEXT, u"%s %s%s", deviceName, BT_MARKER, deviceTitle);
    }
    AddEntry(portList, entry);
}

// The device key path of a "Serial\Ports" subkey, or 0 when its name holds
// no device key name or the path does not fit (a cut path would open
// another device's key).
static int DeviceKeyPathOfPort(const WCHAR* portKeyName, WCHAR* path) {
    const int nameChars = WLen(portKeyName);
    if (nameChars <= PORT_KEY_DEVICE_POS) return 0;
    if (WLen(DEVICES_PATH) + 1 + nameChars - PORT_KEY_DEVICE_POS > MAX_TEXT - 1) return 0;
    WFormat(path, MAX_TEXT, u"%s\\%s", DEVICES_PATH, portKeyName + PORT_KEY_DEVICE_POS);
    return 1;
}

static void AddConfiguredPortEntry(HWND portList, HKEY portKey, const WCHAR* portKeyName) {
    // Server ports accept connections; they lead to no device of their own.
    if (WCompareN(portKeyName, u"Incoming", 8) == 0) return;
    WCHAR port[PORT_VALUE_CHARS + 1];
    if (!ReadPortValue(portKey, port)) return;
    WCHAR path[MAX_TEXT];
    if (!DeviceKeyPathOfPort(portKeyName, path)) return;
    HKEY deviceKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, 0, &deviceKey) != ERROR_SUCCESS) return;
    WCHAR deviceName[DEVICE_NAME_CHARS + 1];
    WFormat(deviceName, DEVICE_NAME_CHARS + 1, u"%s:", port);
    AddBluetoothPortEntry(portList, deviceKey, deviceName);
    RegCloseKey(deviceKey);
}

static void ListConfiguredPorts(HWND portList) {
    HKEY ports;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SERIAL_PORTS_PATH, 0, 0, &ports) != ERROR_SUCCESS) return;
    WCHAR name[MAX_TEXT];
    HKEY portKey;
    for (int position = 0; position <= 255; ++position) {
        if (!RegOpenSubkeyByIndex(ports, static_cast<BYTE>(position), name, &portKey)) break;
        AddConfiguredPortEntry(portList, portKey, name);
        RegCloseKey(portKey);
    }
    RegCloseKey(ports);
}

static int HasSerialPortService(HKEY deviceKey) {
    HKEY service = FindSerialPortService(deviceKey);
    if (service == NO_KEY) return 0;
    RegCloseKey(service);
    return 1;
}

// Paired devices with the Serial Port service and no configured port, all
// under the first free index.
static void ListUnconfiguredDevices(HWND portList) {
    BYTE index = FindFreeComIndex(u"COM");
    if (index == NO_COM_INDEX) return;
    HKEY devices;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DEVICES_PATH, 0, 0, &devices) != ERROR_SUCCESS) return;
    WCHAR deviceName[DEVICE_NAME_CHARS + 1];
    WFormat(deviceName, DEVICE_NAME_CHARS + 1, u"%s%d:", u"COM", static_cast<int>(index));
    WCHAR name[MAX_TEXT];
    HKEY deviceKey;
    for (int position = 0; position <= 255; ++position) {
        if (!RegOpenSubkeyByIndex(devices, static_cast<BYTE>(position), name, &deviceKey)) break;
        if (HasSerialPortService(deviceKey) && FindBluetoothSerialPort(name) == NO_COM_INDEX)
            AddBluetoothPortEntry(portList, deviceKey, deviceName);
        RegCloseKey(deviceKey);
    }
    RegCloseKey(devices);
}

void ListBluetoothPorts(HWND portList) {
    ListConfiguredPorts(portList);
    ListUnconfiguredDevices(portList);
}
