// Implements platform/linux/serial_host.h: opening, reading, writing and closing host lines.
// The line settings live in serial_host_termios2.cpp, apart from <termios.h>.
#include "platform/linux/serial_host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>

int SerialHostOpen(const char* path) {
    if (path == nullptr || path[0] == '\0') return -1;
    int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    // A regular file or a socket behind a COM name is no serial line.
    if (!isatty(fd)) {
        close(fd);
        return -1;
    }
    // TIOCEXCL does not stop root, nor a second open in this process; the
    // lock on the device does (flock holds across names of the same inode).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A hung-up or vanished line reads as "nothing pending" on a tty; only poll tells them apart.
static bool LineIsGone(int fd) {
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 0) < 0) return errno != EINTR;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

long SerialHostRead(int fd, void* buf, size_t n) {
    if (fd < 0) return -1;
    for (;;) {
        ssize_t got = read(fd, buf, n);
        if (got > 0) return static_cast<long>(got);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        return LineIsGone(fd) ? -1 : 0;
    }
}

// Waits for room in the output queue; false when none comes within the stall limit.
static bool WaitForRoom(int fd) {
    for (;;) {
        pollfd p = {fd, POLLOUT, 0};
        int ready = poll(&p, 1, SERIAL_HOST_WRITE_STALL_MS);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
    }
}

long SerialHostWrite(int fd, const void* buf, size_t n) {
    if (fd < 0) return -1;
    const char* bytes = static_cast<const char*>(buf);
    size_t done = 0;
    while (done < n) {
        ssize_t put = write(fd, bytes + done, n - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        if (!WaitForRoom(fd)) return -1;
    }
    return static_cast<long>(n);
}

void SerialHostClose(int fd) {
    if (fd < 0) return;
    // A pseudo-terminal keeps its exclusive flag while its master lives.
    ioctl(fd, TIOCNXCL);
    close(fd);
}
