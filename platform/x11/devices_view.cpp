// Implements platform/devices.h: device searches answered from the machine's serial lines.
//
// Driver instances cannot be registered here: the port-emulation driver has no
// counterpart on this backend, so Bluetooth ports that need one do not open.
#include "platform/devices.h"
#include "platform/text.h"
#include "platform/x11/device_view.h"

namespace {

constexpr int kMaxSearches = 8;
constexpr HANDLE kFirstSearchHandle = 0x5300;
bool g_searchOpen[kMaxSearches];

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

HANDLE RegisterDevice(const WCHAR*, DWORD, const WCHAR*, const void*, DWORD) { return INVALID_HANDLE_VALUE; }

BOOL DeregisterDevice(HANDLE) { return FALSE; }
