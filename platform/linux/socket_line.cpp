// Implements platform/linux/socket_line.h: recv and send on a connected stream socket.
#include "platform/linux/socket_line.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/linux/serial_host.h"

long SocketLineRead(int fd, void* buf, size_t n) {
    if (fd < 0) return -1;
    for (;;) {
        ssize_t got = recv(fd, buf, n, MSG_DONTWAIT);
        if (got > 0) return static_cast<long>(got);
        if (got == 0) {
            if (n > 0) return -1;  // the far end closed
            pollfd p = {fd, POLLIN, 0};
            return poll(&p, 1, 0) >= 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 ? -1 : 0;
        }
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

long SocketLineWrite(int fd, const void* buf, size_t n) {
    if (fd < 0) return -1;
    const char* bytes = static_cast<const char*>(buf);
    size_t done = 0;
    while (done < n) {
        ssize_t put = send(fd, bytes + done, n - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        pollfd p = {fd, POLLOUT, 0};
        int ready = poll(&p, 1, SERIAL_HOST_WRITE_STALL_MS);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return -1;
    }
    return static_cast<long>(n);
}
