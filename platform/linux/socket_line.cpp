// Implements platform/linux/socket_line.h: recv and send on a connected stream socket.
#include "platform/linux/socket_line.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

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

namespace {
long long NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}
}  // namespace

// The kernel tells no event when the queue empties: it is looked at every few
// milliseconds, which a farewell of a few dozen bytes needs only a few times.
void SocketLineClose(int fd) {
    if (fd < 0) return;
    long long deadline = NowMs() + SOCKET_LINE_DRAIN_MS;
    int queued = 0;
    while (ioctl(fd, SIOCOUTQ, &queued) == 0 && queued > 0 && NowMs() < deadline) {
        timespec step{0, 5 * 1000000L};
        nanosleep(&step, nullptr);
    }
    close(fd);
}
