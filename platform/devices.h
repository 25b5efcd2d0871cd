// The device manager: which device names are registered, and driver
// instances that the program registers and removes.
//
// A device is named by a prefix, one digit and a colon ("COM5:"); names
// match without regard to case.
#pragma once

#include "platform/types.h"

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    WCHAR cFileName[MAX_TEXT];
};

enum FINDEX_INFO_LEVELS { FindExInfoStandard = 0 };
enum FINDEX_SEARCH_OPS {
    FindExSearchNameMatch = 0,
    FindExSearchLimitToDirectories = 1,
    FindExSearchLimitToDevices = 2
};

// With FindExSearchLimitToDevices: searches the registered devices for
// `name`. Returns a search handle that the caller releases with FindClose,
// or INVALID_HANDLE_VALUE when no device matches.
//
// Every search looks afresh: a device that went away (an adapter pulled
// out, a pseudo-terminal gone) is not found, and once it is back it is
// found again under the same name by the next search. A search is cheap
// enough to repeat every few seconds (well under a millisecond on Linux).
// How quickly a returning device shows is the backend's: at once where the
// system lists it at once.
HANDLE FindFirstFileExW(const WCHAR* name, FINDEX_INFO_LEVELS level, WIN32_FIND_DATAW* data, FINDEX_SEARCH_OPS search,
                        void* filter, DWORD flags);
BOOL FindClose(HANDLE search);

// Loads `library` as the driver of device prefix + index + ":" with the
// parameter record `info` (`infoBytes` long, copied). Returns a registration
// handle that DeregisterDevice removes, or INVALID_HANDLE_VALUE.
//
// For the Bluetooth port-emulation driver ("btd.dll", a PORTEMUPortParams
// record, bluetooth.h) a backend may decide:
//  - to connect an outgoing port here rather than at CreateFileW, so that the
//    call takes as long as reaching the device does (bounded by the backend,
//    a few seconds), and a device that cannot be reached fails here;
//  - to refuse an incoming (server) port it cannot offer;
//  - whether the device then keeps the link after its last handle is closed:
//    it does on Linux, until DeregisterDevice, which drops the link and frees
//    everything the driver held.
HANDLE RegisterDevice(const WCHAR* prefix, DWORD index, const WCHAR* library, const void* info, DWORD infoBytes);
BOOL DeregisterDevice(HANDLE registration);
