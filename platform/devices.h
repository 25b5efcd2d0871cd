// The device manager: which device names are registered, and driver
// instances that the program registers and removes.
//
// A device is named by a prefix, one digit and a colon ("COM5:"); names
// match without regard to case. A backend may refuse a registration it
// cannot provide (a desktop's Bluetooth stack can bind an outgoing serial
// port but not offer an incoming one): RegisterDevice then returns
// INVALID_HANDLE_VALUE, as for any failure.
#pragma once

#include "platform/types.h"

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    WCHAR cFileName[MAX_TEXT];
};

enum FINDEX_INFO_LEVELS { FindExInfoStandard = 0 };
enum FINDEX_SEARCH_OPS { FindExSearchNameMatch = 0, FindExSearchLimitToDirectories = 1, FindExSearchLimitToDevices = 2 };

// With FindExSearchLimitToDevices: searches the registered devices for
// `name`. Returns a search handle that the caller releases with FindClose,
// or INVALID_HANDLE_VALUE when no device matches.
HANDLE FindFirstFileExW(const WCHAR* name, FINDEX_INFO_LEVELS level, WIN32_FIND_DATAW* data,
                        FINDEX_SEARCH_OPS search, void* filter, DWORD flags);
BOOL FindClose(HANDLE search);

// Loads `library` as the driver of device prefix + index + ":" with the
// parameter record `info` (`infoBytes` long, copied). Returns a registration
// handle that DeregisterDevice removes, or INVALID_HANDLE_VALUE.
HANDLE RegisterDevice(const WCHAR* prefix, DWORD index, const WCHAR* library, const void* info, DWORD infoBytes);
BOOL DeregisterDevice(HANDLE registration);
