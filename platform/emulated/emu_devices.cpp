// Implements platform/devices.h on the emulated handheld.
#include "platform/emulated/emu_devices.h"

#include <algorithm>

#include "platform/devices.h"
#include "platform/text.h"

namespace {
struct DeviceState {
    std::vector<std::u16string> names;
    std::vector<EmuRegistration> registrations;
    int openSearches = 0;
    bool failRegistration = false;
    bool registrationCreatesDevice = true;
};
DeviceState g_devices;
constexpr HANDLE kSearchHandle = 0x5EA;
constexpr HANDLE kFirstRegistration = 0x7000;
}  // namespace

void EmuResetDevices() { g_devices = DeviceState(); }

void EmuAddDevice(const std::u16string& name) {
    if (!EmuDeviceRegistered(name)) g_devices.names.push_back(name);
}

void EmuRemoveDevice(const std::u16string& name) {
    std::erase_if(g_devices.names,
                  [&](const std::u16string& n) { return WCompareNoCase(n.c_str(), name.c_str()) == 0; });
}

bool EmuDeviceRegistered(const std::u16string& name) {
    return std::any_of(g_devices.names.begin(), g_devices.names.end(),
                       [&](const std::u16string& n) { return WCompareNoCase(n.c_str(), name.c_str()) == 0; });
}

int EmuOpenSearchCount() { return g_devices.openSearches; }
const std::vector<EmuRegistration>& EmuRegistrations() { return g_devices.registrations; }
void EmuFailRegistration(bool fail) { g_devices.failRegistration = fail; }
void EmuRegistrationCreatesDevice(bool creates) { g_devices.registrationCreatesDevice = creates; }

HANDLE FindFirstFileExW(const WCHAR* name, FINDEX_INFO_LEVELS, WIN32_FIND_DATAW* data, FINDEX_SEARCH_OPS search, void*,
                        DWORD) {
    if (search != FindExSearchLimitToDevices || !EmuDeviceRegistered(name)) return INVALID_HANDLE_VALUE;
    if (data != nullptr) {
        data->dwFileAttributes = 0;
        WCopy(data->cFileName, name, MAX_TEXT);
    }
    ++g_devices.openSearches;
    return kSearchHandle;
}

BOOL FindClose(HANDLE search) {
    if (search != kSearchHandle || g_devices.openSearches == 0) return FALSE;
    --g_devices.openSearches;
    return TRUE;
}

static std::u16string RegisteredName(const EmuRegistration& r) {
    return r.prefix + static_cast<char16_t>(u'0' + r.index % 10) + u":";
}

HANDLE RegisterDevice(const WCHAR* prefix, DWORD index, const WCHAR* library, const void* info, DWORD infoBytes) {
    if (g_devices.failRegistration || index > 9) return INVALID_HANDLE_VALUE;
    EmuRegistration r;
    r.prefix = prefix;
    r.index = index;
    r.library = library;
    const BYTE* bytes = static_cast<const BYTE*>(info);
    if (bytes != nullptr) r.record.assign(bytes, bytes + infoBytes);
    r.active = true;
    if (g_devices.registrationCreatesDevice) EmuAddDevice(RegisteredName(r));
    g_devices.registrations.push_back(r);
    return kFirstRegistration + static_cast<HANDLE>(g_devices.registrations.size()) - 1;
}

BOOL DeregisterDevice(HANDLE registration) {
    HANDLE i = registration - kFirstRegistration;
    if (i < 0 || i >= static_cast<HANDLE>(g_devices.registrations.size())) return FALSE;
    EmuRegistration& r = g_devices.registrations[i];
    if (!r.active) return FALSE;
    r.active = false;
    if (g_devices.registrationCreatesDevice) EmuRemoveDevice(RegisteredName(r));
    return TRUE;
}
