// Implements platform/devices.h on Windows: the registered devices are the
// serial ports Windows lists (port_view.h). No program can load a serial
// driver of its own on Windows; Windows makes the serial ports of paired
// Bluetooth devices itself, so registering a driver always fails here.
#include "platform/devices.h"

#include "platform/text.h"
#include "platform/win32/port_view.h"

namespace {
// A search handle only says "found"; it holds nothing.
constexpr HANDLE kSearchHandle = 0x5D00;
}  // namespace

HANDLE FindFirstFileExW(const WCHAR* name, FINDEX_INFO_LEVELS, WIN32_FIND_DATAW* data, FINDEX_SEARCH_OPS search, void*,
                        DWORD) {
    if (name == nullptr || search != FindExSearchLimitToDevices) return INVALID_HANDLE_VALUE;
    ViewPort ports[VIEW_MAX_PORTS];
    int count = ScanSerialPorts(ports);
    for (int i = 0; i < count; ++i) {
        WCHAR device[8];
        WFormat(device, 8, u"COM%d:", ports[i].index);
        if (WCompareNoCase(device, name) != 0) continue;
        if (data != nullptr) {
            data->dwFileAttributes = 0;
            WCopy(data->cFileName, device, MAX_TEXT);
        }
        return kSearchHandle;
    }
    return INVALID_HANDLE_VALUE;
}

BOOL FindClose(HANDLE search) { return search == kSearchHandle; }

HANDLE RegisterDevice(const WCHAR*, DWORD, const WCHAR*, const void*, DWORD) { return INVALID_HANDLE_VALUE; }
BOOL DeregisterDevice(HANDLE) { return FALSE; }
