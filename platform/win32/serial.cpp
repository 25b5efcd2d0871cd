// Implements platform/serial.h with kernel32: "COM5:" opens as \\.\COM5, and
// the core's DCB and COMMTIMEOUTS go to Windows as they are.
#include "platform/serial.h"

#include "platform/text.h"
#include "platform/win32/native.h"

namespace {
constexpr int kMaxDeviceChars = 16;
}  // namespace

HANDLE CreateFileW(const WCHAR* name, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
    if (name == nullptr) return INVALID_HANDLE_VALUE;
    // The device namespace reaches every COM port, COM10 and above too.
    WCHAR path[kMaxDeviceChars + 4] = u"\\\\.\\";
    int length = 4;
    for (const WCHAR* c = name; *c != 0 && *c != u':'; ++c) {
        if (length == kMaxDeviceChars + 3) return INVALID_HANDLE_VALUE;
        path[length++] = *c;
    }
    path[length] = 0;
    return native::OpenCommPort(path);
}

BOOL SetCommState(HANDLE port, const DCB* dcb) { return native::SetCommStateBytes(port, dcb); }
BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) { return native::SetCommTimeoutsBytes(port, timeouts); }

BOOL ReadFile(HANDLE port, void* buffer, DWORD bytes, DWORD* transferred, void*) {
    return native::Read(port, buffer, bytes, transferred);
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD bytes, DWORD* transferred, void*) {
    return native::Write(port, buffer, bytes, transferred);
}

BOOL CloseHandle(HANDLE handle) { return native::Close(handle); }
