// The measuring end of the end-to-end benchmark: an X client with its own
// focused window that also writes the terminal's bytes, so that the write and
// the arrival of each key are timed on one monotonic clock.
//   e2e_probe latency PTY KEYS
//   e2e_probe paste PTY BYTES_FILE
//   e2e_probe startup RUNS PROGRAM
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double PASTE_BYTES_PER_SECOND = 11520;  // 115200 baud, 8N1
constexpr double QUIET_SECONDS = 15;              // no key for this long: the rest is lost

Display* g_display = nullptr;
Window g_window = 0;
XIC g_ic = nullptr;

double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// The characters a KeyPress types, as code points.
std::vector<unsigned> TypedBy(XKeyEvent& key) {
    char text[64];
    KeySym keysym;
    Status status;
    int n = g_ic ? Xutf8LookupString(g_ic, &key, text, sizeof text - 1, &keysym, &status)
                 : XLookupString(&key, text, sizeof text - 1, &keysym, nullptr);
    std::vector<unsigned> out;
    for (int i = 0; i < n;) {
        unsigned char c = text[i];
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        unsigned cp = len == 1 ? c : c & (0x3F >> (len - 1));
        for (int k = 1; k < len && i + k < n; ++k)
            cp = (cp << 6) | (text[i + k] & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

bool WaitForEvent(double seconds) {
    if (XPending(g_display)) return true;
    pollfd p{ConnectionNumber(g_display), POLLIN, 0};
    poll(&p, 1, static_cast<int>(seconds * 1000));
    return XPending(g_display) > 0;
}

bool FocusedAfter(double asked) {
    if (Now() - asked > 1) std::fprintf(stderr, "e2e_probe: the focus came after %.1f s\n", Now() - asked);
    return true;
}

bool OpenFocusedWindow() {
    std::setlocale(LC_ALL, "");
    XSetLocaleModifiers("");
    g_display = XOpenDisplay(nullptr);
    if (!g_display) {
        std::fprintf(stderr, "e2e_probe: cannot open the display\n");
        return false;
    }
    g_window = XCreateSimpleWindow(g_display, DefaultRootWindow(g_display), 0, 0, 300, 100, 0, 0, 0xFFFFFF);
    XStoreName(g_display, g_window, "e2e-probe");
    XSelectInput(g_display, g_window, KeyPressMask | FocusChangeMask | StructureNotifyMask);
    if (XIM im = XOpenIM(g_display, nullptr, nullptr, nullptr))
        g_ic = XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, g_window, nullptr);
    XMapRaised(g_display, g_window);
    // A window manager may still be working through the keymap changes of
    // the previous run (one MappingNotify per rebound keycode).
    double asked = Now(), deadline = asked + 120;
    bool mapped = false;
    while (Now() < deadline) {
        if (mapped) {
            XEvent e{};
            e.xclient.type = ClientMessage;
            e.xclient.window = g_window;
            e.xclient.message_type = XInternAtom(g_display, "_NET_ACTIVE_WINDOW", False);
            e.xclient.format = 32;
            e.xclient.data.l[0] = 2;
            XSendEvent(g_display, DefaultRootWindow(g_display), False,
                       SubstructureRedirectMask | SubstructureNotifyMask, &e);
            XSetInputFocus(g_display, g_window, RevertToParent, CurrentTime);
        }
        XFlush(g_display);
        while (WaitForEvent(0.1)) {
            XEvent e;
            XNextEvent(g_display, &e);
            if (e.type == MapNotify) mapped = true;
            if (e.type == FocusIn) return FocusedAfter(asked);
        }
        Window focus = None;
        int revert = 0;
        XGetInputFocus(g_display, &focus, &revert);
        if (focus == g_window) return FocusedAfter(asked);
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(g_display, &focus, &revert);
    std::fprintf(stderr, "e2e_probe: window 0x%lx never got the focus (it is on 0x%lx)\n", g_window, focus);
    return false;
}

int OpenTerminalEnd(const char* path) {
    int fd = open(path, O_WRONLY | O_NOCTTY);
    if (fd < 0) std::fprintf(stderr, "e2e_probe: cannot open %s: %s\n", path, std::strerror(errno));
    return fd;
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p * (v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Letters written one at a time at random moments; each is timed from its
// write to its KeyPress.
int RunLatency(const char* pty, int keys) {
    int fd = OpenTerminalEnd(pty);
    if (fd < 0 || !OpenFocusedWindow()) return 2;
    std::mt19937 random(12345);
    std::vector<double> ms;
    int missed = 0;
    for (int k = 0; k < keys; ++k) {
        double gapEnd = Now() + (20 + random() % 181) / 1000.0;
        while (Now() < gapEnd)  // the random gap; stray events are dropped, a keymap change is read
            if (WaitForEvent(gapEnd - Now())) {
                XEvent e;
                XNextEvent(g_display, &e);
                if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
            }
        char letter = static_cast<char>('a' + random() % 26);
        double written = Now();
        if (write(fd, &letter, 1) != 1) {
            std::fprintf(stderr, "e2e_probe: the terminal end refused a write: %s\n", std::strerror(errno));
            return 2;
        }
        bool got = false;
        while (!got && Now() < written + 3) {
            if (!WaitForEvent(written + 3 - Now())) break;
            XEvent e;
            XNextEvent(g_display, &e);
            double at = Now();
            if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
            if (e.type != KeyPress) continue;
            std::vector<unsigned> typed = TypedBy(e.xkey);
            if (typed.size() == 1 && typed[0] == static_cast<unsigned>(letter)) {
                ms.push_back((at - written) * 1000);
                got = true;
            }
        }
        if (!got) ++missed;
    }
    if (ms.empty()) {
        std::printf("latency no-keys\n");
        return 1;
    }
    std::printf("latency p50_ms=%.1f p99_ms=%.1f max_ms=%.1f keys=%d missed=%d\n", Percentile(ms, 0.5),
                Percentile(ms, 0.99), Percentile(ms, 1.0), keys, missed);
    return 0;
}

// The characters the terminal's bytes stand for (ASCII, Latin-1, euro sign
// and the Ctrl+letter specials).
std::vector<unsigned> ExpectedCharacters(const std::string& bytes) {
    static const std::map<unsigned char, unsigned> specials = {
        {0x01, 0xAA}, {0x02, 0xBD}, {0x03, 0xA9}, {0x04, 0x2206}, {0x07, 0x2265}, {0x0C, 0xA3},
        {0x0F, 0xB9}, {0x10, 0xB1}, {0x12, 0xAE}, {0x13, 0x2264}, {0x14, 0xBE},   {0x15, 0x221E},
        {0x16, 0xBC}, {0x17, 0xA4}, {0x18, 0xD7}, {0x19, 0xA5},   {0x1A, 0xF7}};
    std::vector<unsigned> out;
    for (unsigned char b : bytes) {
        auto s = specials.find(b);
        if (s != specials.end())
            out.push_back(s->second);
        else if (b == 0x80)
            out.push_back(0x20AC);
        else if (b >= 0x20 && b != 0x7F)
            out.push_back(b);
    }
    return out;
}

// Myers' shortest edit script, length only: insertions plus deletions.
long EditDistance(const std::vector<unsigned>& a, const std::vector<unsigned>& b, long limit) {
    long n = a.size(), m = b.size(), offset = limit + 1;
    std::vector<long> v(2 * offset + 1, 0);
    for (long d = 0; d <= limit; ++d) {
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1]
                                                                                    : v[offset + k - 1] + 1;
            long y = x - k;
            while (x < n && y < m && a[x] == b[y]) {
                ++x;
                ++y;
            }
            v[offset + k] = x;
            if (x >= n && y >= m) return d;
        }
    }
    return -1;
}

// The bytes written at 115200 baud from a second thread while this one
// records what arrives.
int RunPaste(const char* pty, const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int fd = OpenTerminalEnd(pty);
    if (bytes.empty()) std::fprintf(stderr, "e2e_probe: %s is empty or unreadable\n", file);
    if (fd < 0 || bytes.empty() || !OpenFocusedWindow()) return 2;
    std::vector<unsigned> expected = ExpectedCharacters(bytes);
    std::vector<unsigned> received;
    std::atomic<bool> writing{true};
    double start = Now();
    std::thread writer([&] {
        size_t sent = 0;
        while (sent < bytes.size()) {
            size_t due = std::min(bytes.size(), static_cast<size_t>((Now() - start) * PASTE_BYTES_PER_SECOND) + 1);
            if (due > sent) {
                ssize_t n = write(fd, bytes.data() + sent, due - sent);
                if (n <= 0) break;
                sent += n;
            } else {
                usleep(2000);
            }
        }
        writing = false;
    });
    double last = start;
    while (received.size() < expected.size()) {
        if (!WaitForEvent(0.5)) {
            if (!writing && Now() - last > QUIET_SECONDS) break;
            continue;
        }
        XEvent e;
        XNextEvent(g_display, &e);
        // Spare keycodes are rebound for characters off the layout.
        if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
        if (e.type != KeyPress) continue;
        for (unsigned c : TypedBy(e.xkey))
            received.push_back(c);
        last = Now();
    }
    writer.join();
    std::map<unsigned, long> balance;
    for (unsigned c : expected)
        ++balance[c];
    for (unsigned c : received)
        --balance[c];
    long lost = 0, extra = 0;
    for (auto& [c, n] : balance)
        (n > 0 ? lost : extra) += std::labs(n);
    long distance = EditDistance(expected, received, 20000);
    long reordered = distance < 0 ? -1 : (distance - lost - extra) / 2;
    std::printf("paste chars=%zu received=%zu seconds=%.2f chars_per_s=%.0f lost=%ld extra=%ld out_of_order=%ld\n",
                expected.size(), received.size(), last - start, received.size() / (last - start), lost, extra,
                reordered);
    return 0;
}

bool FindViewable(Window w, const char* title) {
    char* name = nullptr;
    bool match = XFetchName(g_display, w, &name) && name && std::strcmp(name, title) == 0;
    if (name) XFree(name);
    if (match) {
        XWindowAttributes a;
        if (XGetWindowAttributes(g_display, w, &a) && a.map_state == IsViewable) return true;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(g_display, w, &root, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i)
        found = FindViewable(children[i], title);
    if (children) XFree(children);
    return found;
}

// Windows come and go while the tree is walked; a vanished one is not an error.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// The processor time `child` has used so far, in ms; -1 when unreadable.
double CpuMs(pid_t child) {
    clockid_t clock;
    timespec t;
    if (clock_getcpuclockid(child, &clock) != 0 || clock_gettime(clock, &t) != 0) return -1;
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// From the spawn of PROGRAM to its dialog being viewable, polled every
// millisecond; with the processor time PROGRAM used until then, which other
// work on the machine does not stretch as it stretches the wait.
int RunStartup(int runs, char** program) {
    g_display = XOpenDisplay(nullptr);
    if (!g_display) return 2;
    XSetErrorHandler(IgnoreXError);
    std::vector<double> ms, cpu;
    for (int r = 0; r < runs; ++r) {
        double start = Now();
        pid_t child = fork();
        if (child == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execvp(program[0], program);
            _exit(127);
        }
        bool seen = false;
        while (!seen && Now() < start + 10) {
            seen = FindViewable(DefaultRootWindow(g_display), "Tastra v1.00");
            if (!seen) usleep(1000);
        }
        if (seen) {
            ms.push_back((Now() - start) * 1000);
            cpu.push_back(CpuMs(child));
        }
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        // The next copy must not find this one's window.
        while (FindViewable(DefaultRootWindow(g_display), "Tastra v1.00"))
            usleep(1000);
    }
    if (ms.empty()) {
        std::printf("startup never-visible\n");
        return 1;
    }
    std::printf("startup median_ms=%.1f max_ms=%.1f cpu_ms=%.1f runs=%zu\n", Percentile(ms, 0.5), Percentile(ms, 1.0),
                Percentile(cpu, 0.5), ms.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "latency" && argc == 4) return RunLatency(argv[2], std::atoi(argv[3]));
    if (mode == "paste" && argc == 4) return RunPaste(argv[2], argv[3]);
    if (mode == "startup" && argc >= 4) return RunStartup(std::atoi(argv[2]), argv + 3);
    std::fprintf(stderr, "usage: e2e_probe latency PTY KEYS | paste PTY FILE | startup RUNS PROGRAM...\n");
    return 2;
}
