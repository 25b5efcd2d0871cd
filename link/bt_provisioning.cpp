// The Bluetooth radio and the program's own virtual serial ports: switched
// on for a link, found by the paired device's name, removed again after it.
#include "link/bt_provisioning.h"

#include <cstring>

#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ports/registry_lookup.h"

HANDLE g_hIncomingDevice = INVALID_HANDLE_VALUE;
HANDLE g_hOutgoingDevice = INVALID_HANDLE_VALUE;

namespace {
const WCHAR DEVICE_PREFIX[] = u"COM";
const WCHAR PORT_DRIVER[] = u"btd.dll";
const WCHAR DEVICE_ROOT[] = u"Software\\Microsoft\\Bluetooth\\Device";
const WCHAR INCOMING_PORT_TEXT[] = u"Incoming";
const WCHAR SETTINGS_IMAGE[] = u"ctlpnl.exe";
const WCHAR SETTINGS_COMMAND_LINE[] = u"cplmain.cpl,23,0";
const WCHAR SETTINGS_WINDOW_CLASS[] = u"CPL_Bluetooth";
constexpr DWORD SETTINGS_POLL_MS = 200;
constexpr int ENTRY_DEVICE_INDEX_POS = 3;
constexpr int ENTRY_NAME_POS = 9;  // the paired device's name, after "BT-"
constexpr int ADDRESS_DIGITS = 12;
constexpr int ADDRESS_UPPER_DIGITS = 4;
constexpr int MAX_SUBKEY_POSITIONS = 256;

void RemoveRegistration(HANDLE* registration) {
    if (*registration != INVALID_HANDLE_VALUE) DeregisterDevice(*registration);
    *registration = INVALID_HANDLE_VALUE;
}

HANDLE RegisterPort(BYTE index, const PORTEMUPortParams& params) {
    return RegisterDevice(DEVICE_PREFIX, index, PORT_DRIVER, &params, sizeof params);
}

// The driver reads every byte of the record, so none is left to chance.
void ClearParams(PORTEMUPortParams* params) { std::memset(params, 0, sizeof *params); }

// A device key is named by its address; any other name yields no address.
bool IsAddressText(const WCHAR* keyName) {
    for (int i = 0; i < ADDRESS_DIGITS; ++i)
        if (WHexDigit(keyName[i]) < 0) return false;
    return keyName[ADDRESS_DIGITS] == 0;
}

// Channels are 1..255; a value of another type or a zero channel cannot be
// connected to, so such a device is passed over.
BYTE ReadServiceChannel(HKEY serviceKey) {
    DWORD value = 0;
    if (!RegReadDword(serviceKey, u"channel", &value)) return 0;
    return static_cast<BYTE>(value & 0xFF);
}

// The channel of this device key when it is the named, connectable device.
BYTE DeviceKeyChannel(HKEY deviceKey, const WCHAR* keyName, const WCHAR* name) {
    WCHAR deviceName[MAX_TEXT];
    if (!RegReadString(deviceKey, u"name", deviceName, sizeof deviceName)) return 0;
    if (WCompare(deviceName, name) != 0 || !IsAddressText(keyName)) return 0;
    HKEY serviceKey = FindSerialPortService(deviceKey);
    if (serviceKey == NO_KEY) return 0;
    BYTE channel = ReadServiceChannel(serviceKey);
    RegCloseKey(serviceKey);
    return channel;
}
}  // namespace

void BluetoothShutdown() {
    BthSetMode(BTH_POWER_OFF);
    RemoveRegistration(&g_hIncomingDevice);
    RemoveRegistration(&g_hOutgoingDevice);
}

HANDLE RegisterIncomingPort(BYTE index) {
    PORTEMUPortParams params;
    ClearParams(&params);
    params.channel = RFCOMM_CHANNEL_MULTIPLE;
    params.flocal = 1;
    return RegisterPort(index, params);
}

int SetBluetoothMode(DWORD mode, int registerIncoming) {
    // One incoming port at a time: a retried connect must not register (and
    // lose track of) a second one.
    if (registerIncoming == 1 && g_hIncomingDevice == INVALID_HANDLE_VALUE &&
        FindBluetoothSerialPort(INCOMING_PORT_TEXT) == NO_COM_INDEX) {
        BYTE index = FindFreeComIndex(DEVICE_PREFIX);
        if (index != NO_COM_INDEX) g_hIncomingDevice = RegisterIncomingPort(index);
    }
    return BthSetMode(mode);
}

BYTE FindDeviceChannel(const WCHAR* name, DWORD address[2]) {
    HKEY root = NO_KEY;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, DEVICE_ROOT, 0, 0, &root) != ERROR_SUCCESS) return 0;
    for (int position = 0; position < MAX_SUBKEY_POSITIONS; ++position) {
        WCHAR keyName[MAX_TEXT];
        HKEY deviceKey = NO_KEY;
        if (!RegOpenSubkeyByIndex(root, static_cast<BYTE>(position), keyName, &deviceKey)) break;
        BYTE channel = DeviceKeyChannel(deviceKey, keyName, name);
        RegCloseKey(deviceKey);
        if (channel != 0) {
            RegCloseKey(root);
            address[0] = static_cast<DWORD>(WHexToNumber(keyName + ADDRESS_UPPER_DIGITS, 8));
            address[1] = static_cast<DWORD>(WHexToNumber(keyName, ADDRESS_UPPER_DIGITS));
            return channel;
        }
    }
    RegCloseKey(root);
    return 0;
}

int RegisterOutgoingPort(const WCHAR* entry) {
    if (WLen(entry) < ENTRY_NAME_POS) return 0;
    WCHAR digit = entry[ENTRY_DEVICE_INDEX_POS];
    if (digit < u'0' || digit > u'9') return 0;
    DWORD address[2] = {0, 0};
    BYTE channel = FindDeviceChannel(entry + ENTRY_NAME_POS, address);
    if (channel == 0) return 0;

    PORTEMUPortParams params;
    ClearParams(&params);
    params.channel = channel;
    params.flocal = 0;
    params.device = (static_cast<uint64_t>(address[1]) << 32) | address[0];
    // A retry may come back here when an earlier registration made no
    // device; it is released first so that no registration is lost.
    RemoveRegistration(&g_hOutgoingDevice);
    g_hOutgoingDevice = RegisterPort(static_cast<BYTE>(digit - u'0'), params);
    return g_hOutgoingDevice != INVALID_HANDLE_VALUE ? 1 : 0;
}

void RunBluetoothSettings(int registerIncoming) {
    if (SetBluetoothMode(BTH_DISCOVERABLE, registerIncoming) != 0) return;
    if (CreateProcessW(SETTINGS_IMAGE, SETTINGS_COMMAND_LINE, CREATE_NEW_CONSOLE)) {
        do {
            Sleep(SETTINGS_POLL_MS);
        } while (FindWindowW(SETTINGS_WINDOW_CLASS, nullptr) != 0);
    }
    BluetoothShutdown();
}
