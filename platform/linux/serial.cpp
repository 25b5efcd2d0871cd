// Implements platform/serial.h: COM names opened as host serial lines through termios.
#include "platform/serial.h"
#include "platform/linux/device_view.h"
#include "platform/linux/serial_host.h"

namespace {

// Only descriptors this layer opened are handles; anything else is refused.
constexpr int kMaxLines = 16;
int g_lines[kMaxLines] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

int SlotOf(HANDLE handle) {
    if (handle < 0) return -1;
    for (int i = 0; i < kMaxLines; ++i)
        if (g_lines[i] == handle) return i;
    return -1;
}

}  // namespace

HANDLE CreateFileW(const WCHAR* name, DWORD, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    ViewPort port;
    if (disposition != OPEN_EXISTING || !FindViewPort(name, &port)) return INVALID_HANDLE_VALUE;
    int slot = 0;
    while (slot < kMaxLines && g_lines[slot] >= 0) ++slot;
    if (slot == kMaxLines) return INVALID_HANDLE_VALUE;
    int fd = SerialHostOpen(port.hostPath);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    g_lines[slot] = fd;
    return fd;
}

BOOL SetCommState(HANDLE port, const DCB* dcb) {
    return SlotOf(port) >= 0 && dcb != nullptr && SerialHostApplyDcb(static_cast<int>(port), *dcb) ? TRUE : FALSE;
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) {
    return SlotOf(port) >= 0 && timeouts != nullptr && SerialHostApplyTimeouts(static_cast<int>(port), *timeouts)
               ? TRUE
               : FALSE;
}

BOOL ReadFile(HANDLE port, void* buffer, DWORD bytes, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    if (SlotOf(port) < 0 || (buffer == nullptr && bytes > 0)) return FALSE;
    long got = SerialHostRead(static_cast<int>(port), buffer, bytes);
    if (got < 0) return FALSE;
    if (transferred != nullptr) *transferred = static_cast<DWORD>(got);
    return TRUE;
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD bytes, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    if (SlotOf(port) < 0 || (buffer == nullptr && bytes > 0)) return FALSE;
    long put = SerialHostWrite(static_cast<int>(port), buffer, bytes);
    if (put < 0) return FALSE;
    if (transferred != nullptr) *transferred = static_cast<DWORD>(put);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    int slot = SlotOf(handle);
    if (slot < 0) return FALSE;
    SerialHostClose(g_lines[slot]);
    g_lines[slot] = -1;
    return TRUE;
}
