// Implements platform/devices.h: device searches answered from the machine's serial lines.
//
// The port-emulation driver becomes an RFCOMM tty bound to the remote device
// and named by the registered COM index until it is deregistered. A server
// port cannot be had that way (an rfcomm tty only connects out), so its
// registration fails.
#include <cstdio>
#include <cstring>

#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/text.h"
#include "platform/linux/device_view.h"
#include "platform/linux/rfcomm_tty.h"

namespace {

constexpr int kMaxSearches = 8;
constexpr HANDLE kFirstSearchHandle = 0x5300;
bool g_searchOpen[kMaxSearches];

struct Registration {
    bool used;
    int index;
    int tty;
};
// One registration per COM index at most.
Registration g_registrations[VIEW_MAX_PORTS];
constexpr HANDLE kFirstRegistrationHandle = 0x5200;
constexpr int kMaxRfcommChannel = 30;

bool IsPortEmulation(const WCHAR* prefix, DWORD index, const WCHAR* library, const void* info, DWORD infoBytes) {
    return prefix != nullptr && WCompareNoCase(prefix, u"COM") == 0 && index < VIEW_MAX_PORTS && library != nullptr &&
           WCompareNoCase(library, u"btd.dll") == 0 && info != nullptr && infoBytes == sizeof(PORTEMUPortParams);
}

int FreeRegistration() {
    for (int i = 0; i < VIEW_MAX_PORTS; ++i)
        if (!g_registrations[i].used) return i;
    return -1;
}

// An outgoing port as a bound RFCOMM tty at `index`; -1 when it cannot be made.
int BindOutgoing(const PORTEMUPortParams& params, int index) {
    if (params.flocal != 0 || params.channel < 1 || params.channel > kMaxRfcommChannel) return -1;
    int tty = RfcommBind(params.device, params.channel);
    if (tty < 0) return -1;
    char ttyName[24];  // "rfcomm" and any int
    snprintf(ttyName, sizeof ttyName, "rfcomm%d", tty);
    if (ClaimViewIndex(index, ttyName)) return tty;
    RfcommRelease(tty);
    return -1;
}

}  // namespace

HANDLE FindFirstFileExW(const WCHAR* name, FINDEX_INFO_LEVELS, WIN32_FIND_DATAW* data, FINDEX_SEARCH_OPS search,
                        void*, DWORD) {
    if (search != FindExSearchLimitToDevices || !FindViewPort(name, nullptr)) return INVALID_HANDLE_VALUE;
    for (int i = 0; i < kMaxSearches; ++i)
        if (!g_searchOpen[i]) {
            g_searchOpen[i] = true;
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
    if (slot < 0 || slot >= kMaxSearches || !g_searchOpen[slot]) return FALSE;
    g_searchOpen[slot] = false;
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
    int tty = BindOutgoing(params, static_cast<int>(index));
    if (tty < 0) return INVALID_HANDLE_VALUE;
    g_registrations[slot] = Registration{true, static_cast<int>(index), tty};
    return kFirstRegistrationHandle + slot;
}

BOOL DeregisterDevice(HANDLE registration) {
    HANDLE slot = registration - kFirstRegistrationHandle;
    if (slot < 0 || slot >= VIEW_MAX_PORTS || !g_registrations[slot].used) return FALSE;
    Registration& r = g_registrations[slot];
    ReleaseViewIndex(r.index);
    bool released = RfcommRelease(r.tty);
    r.used = false;
    return released ? TRUE : FALSE;
}
