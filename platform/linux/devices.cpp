// Implements platform/devices.h: device searches answered from the machine's serial lines.
//
// The port-emulation driver connects the remote device's Serial Port
// service through BlueZ's profile API when it is registered, and the
// connected RFCOMM socket answers to the registered COM name until it is
// deregistered. bluetoothd finds the channel, so the record's channel is not
// read. A server port is not offered (see docs/user-guide.md), so its
// registration fails.
#include <cstdio>
#include <cstring>

#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/linux/bluez_profile.h"
#include "platform/linux/device_view.h"
#include "platform/text.h"

namespace {

constexpr int kMaxSearches = 8;
constexpr HANDLE kFirstSearchHandle = 0x5300;
constexpr HANDLE kFirstRegistrationHandle = 0x5200;
constexpr int kDescriptionChars = 32;

struct Registration {
    bool used;
    int index;
    int link;
};

struct DevicesState {
    bool searchOpen[kMaxSearches];
    Registration registrations[VIEW_MAX_PORTS];  // one per COM index at most
};
DevicesState g_devices{};

bool IsPortEmulation(const WCHAR* prefix, DWORD index, const WCHAR* library, const void* info, DWORD infoBytes) {
    return prefix != nullptr && WCompareNoCase(prefix, u"COM") == 0 && index < VIEW_MAX_PORTS && library != nullptr &&
           WCompareNoCase(library, u"btd.dll") == 0 && info != nullptr && infoBytes == sizeof(PORTEMUPortParams);
}

int FreeRegistration() {
    for (int i = 0; i < VIEW_MAX_PORTS; ++i)
        if (!g_devices.registrations[i].used) return i;
    return -1;
}

// "AA:BB:CC:DD:EE:FF" from the 48-bit address, most significant byte first.
void FormatAddress(uint64_t device, char* out, size_t capacity) {
    snprintf(out, capacity, "%02X:%02X:%02X:%02X:%02X:%02X", static_cast<unsigned>((device >> 40) & 0xFF),
             static_cast<unsigned>((device >> 32) & 0xFF), static_cast<unsigned>((device >> 24) & 0xFF),
             static_cast<unsigned>((device >> 16) & 0xFF), static_cast<unsigned>((device >> 8) & 0xFF),
             static_cast<unsigned>(device & 0xFF));
}

// An outgoing port as a connected link named COM`index`; -1 when it cannot be made.
int ConnectOutgoing(const PORTEMUPortParams& params, int index) {
    if (params.flocal != 0) return -1;
    char address[18], description[kDescriptionChars];
    FormatAddress(params.device, address, sizeof address);
    int link = BluezOpenSerialLink(address);
    if (link < 0) return -1;
    snprintf(description, sizeof description, "RFCOMM %s", address);
    if (ClaimViewSocket(index, BluezSerialLinkSocket(link), description)) return link;
    BluezCloseSerialLink(link);
    return -1;
}

}  // namespace

HANDLE FindFirstFileExW(const WCHAR* name, FINDEX_INFO_LEVELS, WIN32_FIND_DATAW* data, FINDEX_SEARCH_OPS search, void*,
                        DWORD) {
    if (search != FindExSearchLimitToDevices || !FindViewPort(name, nullptr)) return INVALID_HANDLE_VALUE;
    for (int i = 0; i < kMaxSearches; ++i)
        if (!g_devices.searchOpen[i]) {
            g_devices.searchOpen[i] = true;
            if (data != nullptr) {
                data->dwFileAttributes = 0;
                WCopy(data->cFileName, name, MAX_TEXT);
            }
            return kFirstSearchHandle + i;
        }
    return INVALID_HANDLE_VALUE;
}

BOOL FindClose(HANDLE search) {
    HANDLE slot = search - kFirstSearchHandle;
    if (slot < 0 || slot >= kMaxSearches || !g_devices.searchOpen[slot]) return FALSE;
    g_devices.searchOpen[slot] = false;
    return TRUE;
}

HANDLE RegisterDevice(const WCHAR* prefix, DWORD index, const WCHAR* library, const void* info, DWORD infoBytes) {
    if (!IsPortEmulation(prefix, index, library, info, infoBytes)) return INVALID_HANDLE_VALUE;
    WCHAR deviceName[6];
    WFormat(deviceName, 6, u"COM%u:", index);
    int slot = FreeRegistration();
    if (slot < 0 || FindViewPort(deviceName, nullptr)) return INVALID_HANDLE_VALUE;
    PORTEMUPortParams params;
    memcpy(&params, info, sizeof params);
    int link = ConnectOutgoing(params, static_cast<int>(index));
    if (link < 0) return INVALID_HANDLE_VALUE;
    g_devices.registrations[slot] = Registration{true, static_cast<int>(index), link};
    return kFirstRegistrationHandle + slot;
}

BOOL DeregisterDevice(HANDLE registration) {
    HANDLE slot = registration - kFirstRegistrationHandle;
    if (slot < 0 || slot >= VIEW_MAX_PORTS || !g_devices.registrations[slot].used) return FALSE;
    Registration& r = g_devices.registrations[slot];
    ReleaseViewIndex(r.index);
    BluezCloseSerialLink(r.link);
    r.used = false;
    return TRUE;
}
