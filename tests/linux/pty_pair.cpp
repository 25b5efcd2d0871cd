#include "tests/linux/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>

bool OpenPtyPair(PtyPair& pair) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) return false;
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        close(master);
        return false;
    }
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) {
        close(master);
        return false;
    }
    pair.master = master;
    pair.slavePath = name;
    return true;
}

void ClosePtyMaster(PtyPair& pair) {
    if (pair.master >= 0) close(pair.master);
    pair.master = -1;
}

long NowMs() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string ReadFromMaster(int master, size_t n, int timeoutMs) {
    std::string got;
    long deadline = NowMs() + timeoutMs;
    while (got.size() < n) {
        long left = deadline - NowMs();
        if (left <= 0) break;
        pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        ssize_t r = read(master, buf, sizeof buf);
        if (r > 0)
            got.append(buf, static_cast<size_t>(r));
        else if (r == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

bool WriteToMaster(int master, const std::string& bytes, int timeoutMs) {
    size_t done = 0;
    long deadline = NowMs() + timeoutMs;
    while (done < bytes.size()) {
        ssize_t w = write(master, bytes.data() + done, bytes.size() - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
        long left = deadline - NowMs();
        if (left <= 0) return false;
        pollfd p = {master, POLLOUT, 0};
        poll(&p, 1, static_cast<int>(left));
    }
    return true;
}
