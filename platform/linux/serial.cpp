// Implements platform/serial.h: COM names opened as host serial lines through termios, or as the
// RFCOMM socket that the port-emulation driver connected.
#include <fcntl.h>
#include <unistd.h>

#include "platform/linux/device_view.h"
#include "platform/linux/serial_host.h"
#include "platform/linux/socket_line.h"
#include "platform/serial.h"

namespace {

struct Line {
    int fd;      // -1 where the slot is free
    int socket;  // the claimed socket this line duplicates, -1 for a tty
};

// Only descriptors this layer opened are handles; anything else is refused.
constexpr int kMaxLines = 16;
Line g_lines[kMaxLines] = {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1},
                           {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}};

Line* LineOf(HANDLE handle) {
    if (handle < 0) return nullptr;
    for (Line& line : g_lines)
        if (line.fd == handle) return &line;
    return nullptr;
}

// A socket has one user at a time, as an exclusively opened tty has. The
// handle is a duplicate, so closing it leaves the link to its registration.
int OpenSocket(int socket) {
    for (const Line& line : g_lines)
        if (line.fd >= 0 && line.socket == socket) return -1;
    return fcntl(socket, F_DUPFD_CLOEXEC, 0);
}

}  // namespace

HANDLE CreateFileW(const WCHAR* name, DWORD, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    ViewPort port;
    if (disposition != OPEN_EXISTING || !FindViewPort(name, &port)) return INVALID_HANDLE_VALUE;
    Line* free = nullptr;
    for (Line& line : g_lines)
        if (line.fd < 0) {
            free = &line;
            break;
        }
    if (free == nullptr) return INVALID_HANDLE_VALUE;
    int fd = port.socket >= 0 ? OpenSocket(port.socket) : SerialHostOpen(port.hostPath);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    *free = Line{fd, port.socket};
    return fd;
}

BOOL SetCommState(HANDLE port, const DCB* dcb) {
    const Line* line = LineOf(port);
    if (line == nullptr || dcb == nullptr) return FALSE;
    return line->socket >= 0 || SerialHostApplyDcb(line->fd, *dcb) ? TRUE : FALSE;
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) {
    const Line* line = LineOf(port);
    if (line == nullptr || timeouts == nullptr) return FALSE;
    if (line->socket < 0) return SerialHostApplyTimeouts(line->fd, *timeouts) ? TRUE : FALSE;
    // Socket reads never wait; only time-outs that ask for exactly that are honoured.
    return timeouts->ReadIntervalTimeout == MAXDWORD && timeouts->ReadTotalTimeoutMultiplier == 0 &&
                   timeouts->ReadTotalTimeoutConstant == 0
               ? TRUE
               : FALSE;
}

BOOL ReadFile(HANDLE port, void* buffer, DWORD bytes, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    const Line* line = LineOf(port);
    if (line == nullptr || (buffer == nullptr && bytes > 0)) return FALSE;
    long got = line->socket >= 0 ? SocketLineRead(line->fd, buffer, bytes) : SerialHostRead(line->fd, buffer, bytes);
    if (got < 0) return FALSE;
    if (transferred != nullptr) *transferred = static_cast<DWORD>(got);
    return TRUE;
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD bytes, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    const Line* line = LineOf(port);
    if (line == nullptr || (buffer == nullptr && bytes > 0)) return FALSE;
    long put = line->socket >= 0 ? SocketLineWrite(line->fd, buffer, bytes) : SerialHostWrite(line->fd, buffer, bytes);
    if (put < 0) return FALSE;
    if (transferred != nullptr) *transferred = static_cast<DWORD>(put);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    Line* line = LineOf(handle);
    if (line == nullptr) return FALSE;
    if (line->socket >= 0)
        SocketLineClose(line->fd);
    else
        SerialHostClose(line->fd);
    *line = Line{-1, -1};
    return TRUE;
}
