// A connected stream socket (an RFCOMM link) used as a serial line: reads
// that never wait, writes that wait a bounded time for room, and nothing
// that raises SIGPIPE when the far end has gone. A socket has no line
// settings; speed and parity mean nothing on RFCOMM.
#pragma once

#include <cstddef>

// The bytes that have arrived, up to n: 0 at once when nothing is pending,
// -1 when the far end has closed or the link is broken.
long SocketLineRead(int fd, void* buf, size_t n);

// Writes all n bytes and returns n, or -1 when the link is gone or takes no
// byte for SERIAL_HOST_WRITE_STALL_MS (serial_host.h).
long SocketLineWrite(int fd, const void* buf, size_t n);

// Closes the socket once what was written has left it (its send queue is
// empty), waiting SOCKET_LINE_DRAIN_MS at most: a farewell written just
// before must reach the radio before the link and the radio go down.
constexpr int SOCKET_LINE_DRAIN_MS = 1000;
void SocketLineClose(int fd);
