// Registry and device lookups: every registry walk and device probe goes
// through here, and every key opened here is closed here unless returned.
#include "ports/registry_lookup.h"

#include "platform/devices.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "ports/port_entry.h"
#include "ports/port_value.h"

static const WCHAR SERIAL_PORTS_PATH[] = u"Software\\Microsoft\\Bluetooth\\Serial\\Ports";

int RegOpenSubkeyByIndex(HKEY parent, BYTE position, WCHAR* name, HKEY* key) {
    DWORD nameChars = MAX_TEXT;
    *key = NO_KEY;
    if (RegEnumKeyExW(parent, position, name, &nameChars) != ERROR_SUCCESS) {
        name[0] = 0;
        return 0;
    }
    name[MAX_TEXT - 1] = 0;
    return RegOpenKeyExW(parent, name, 0, 0, key) == ERROR_SUCCESS ? 1 : 0;
}

int RegReadString(HKEY key, const WCHAR* valueName, WCHAR* buffer, DWORD capacityBytes) {
    const DWORD capacityChars = capacityBytes / sizeof(WCHAR);
    if (capacityChars == 0) return 0;
    buffer[0] = 0;
    DWORD type = REG_NONE;
    DWORD size = capacityChars * sizeof(WCHAR);
    LONG result = RegQueryValueExW(key, valueName, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS || type != REG_SZ || size > capacityChars * sizeof(WCHAR)) {
        buffer[0] = 0;
        return 0;
    }
    // The store may hold the text without its terminator, or an odd byte
    // count; a stray last byte is not a character.
    const DWORD chars = size / sizeof(WCHAR);
    for (DWORD i = 0; i < chars; ++i)
        if (buffer[i] == 0) return 1;
    if (chars < capacityChars) {
        buffer[chars] = 0;
        return 1;
    }
    buffer[0] = 0;  // exactly full and unterminated: the text plus terminator does not fit
    return 0;
}

int RegReadDword(HKEY key, const WCHAR* valueName, DWORD* value) {
    DWORD read = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof(read);
    LONG result = RegQueryValueExW(key, valueName, &type, reinterpret_cast<BYTE*>(&read), &size);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(read)) return 0;
    *value = read;
    return 1;
}

int ReadPortValue(HKEY portKey, WCHAR* port) {
    WCHAR text[PORT_VALUE_BYTES / sizeof(WCHAR)];
    port[0] = 0;
    if (!RegReadString(portKey, u"Port", text, PORT_VALUE_BYTES)) return 0;
    if (WLen(text) != PORT_VALUE_CHARS) return 0;
    if (text[PORT_DIGIT_POS] < u'0' || text[PORT_DIGIT_POS] > u'9') return 0;
    WCopy(port, text, PORT_VALUE_CHARS + 1);
    return 1;
}

int DeviceExists(const WCHAR* deviceName) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(deviceName, FindExInfoStandard, &found, FindExSearchLimitToDevices, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    return 1;
}

BYTE FindFreeComIndex(const WCHAR* prefix) {
    for (int index = 0; index <= 9; ++index) {
        WCHAR deviceName[DEVICE_NAME_CHARS + 1];
        WFormat(deviceName, DEVICE_NAME_CHARS + 1, u"%s%d:", prefix, index);
        if (!DeviceExists(deviceName)) return static_cast<BYTE>(index);
    }
    return NO_COM_INDEX;
}

BYTE FindBluetoothSerialPort(const WCHAR* searchText) {
    HKEY ports;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SERIAL_PORTS_PATH, 0, 0, &ports) != ERROR_SUCCESS) return NO_COM_INDEX;
    WCHAR name[MAX_TEXT];
    HKEY port;
    // Positions are 8 bits: the walk ends after position 255 rather than wrap to 0.
    for (int position = 0; position <= 255; ++position) {
        if (!RegOpenSubkeyByIndex(ports, static_cast<BYTE>(position), name, &port)) break;
        WCHAR portName[PORT_VALUE_CHARS + 1];
        int found = WFind(name, searchText) != nullptr && ReadPortValue(port, portName);
        RegCloseKey(port);
        if (found) {
            RegCloseKey(ports);
            return static_cast<BYTE>(portName[PORT_DIGIT_POS] - u'0');
        }
    }
    RegCloseKey(ports);
    return NO_COM_INDEX;
}

// The Serial Port service is class 0x1101, written at characters 4 to 7 of the service key's name.
static int IsSerialPortServiceName(const WCHAR* name) {
    return WLen(name) >= 8 && WCompareN(name + 4, u"1101", 4) == 0;
}

HKEY FindSerialPortService(HKEY deviceKey) {
    HKEY services;
    if (RegOpenKeyExW(deviceKey, u"Services", 0, 0, &services) != ERROR_SUCCESS) return NO_KEY;
    WCHAR name[MAX_TEXT];
    HKEY service;
    for (int position = 0; position <= 255; ++position) {
        if (!RegOpenSubkeyByIndex(services, static_cast<BYTE>(position), name, &service)) break;
        if (IsSerialPortServiceName(name)) {
            RegCloseKey(services);
            return service;
        }
        RegCloseKey(service);
    }
    RegCloseKey(services);
    return NO_KEY;
}
