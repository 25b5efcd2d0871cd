// Implements WaylandSipInfo of platform/wayland/wayland_desktop.h
// (platform/sip.h on a wlroots compositor) with wvkbd, a layer-shell
// keyboard that never takes the focus; SIGUSR2 shows it, SIGUSR1 hides it.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/linux/own_session.h"
#include "platform/sip.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_internal.h"
#include "platform/wayland/wayland_outputs.h"

namespace {

// Its height is ours to give, so the covered part of the screen is known.
constexpr int HEIGHT_DIVISOR = 3;
// wvkbd takes its signals some tens of milliseconds after it starts.
constexpr int READY_TIMEOUT_MS = 2000;
constexpr long READY_POLL_NS = 5000000;

struct Keyboard {
    pid_t process;
    bool shown;
};

Keyboard g_keyboard;

// Collects the keyboard process when it has ended, so it leaves no zombie.
bool Running() {
    if (g_keyboard.process <= 0) return false;
    int status = 0;
    if (waitpid(g_keyboard.process, &status, WNOHANG) == 0) return true;
    g_keyboard = Keyboard{};
    return false;
}

int KeyboardHeight(int screenHeight) { return screenHeight / HEIGHT_DIVISOR; }

constexpr unsigned long long KEYBOARD_SIGNALS = (1ULL << (SIGUSR1 - 1)) | (1ULL << (SIGUSR2 - 1));

// The signal mask of the first line of `path` that starts with `field`; 0
// when there is none (or the file is gone).
unsigned long long MaskIn(const char* path, const char* field) {
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) return 0;
    unsigned long long mask = 0;
    char line[256];
    size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, file) != nullptr)
        if (std::strncmp(line, field, length) == 0 && std::sscanf(line + length, "%llx", &mask) == 1) break;
    std::fclose(file);
    return mask;
}

// How many entries of a /proc folder of the process pass `check`; `total`
// is how many there are (0 when the folder cannot be read).
template <typename Check>
int Passing(pid_t process, const char* folder, Check check, int* total) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/%s", static_cast<int>(process), folder);
    *total = 0;
    DIR* entries = opendir(path);
    if (entries == nullptr) return 0;
    int passing = 0;
    while (dirent* entry = readdir(entries)) {
        if (entry->d_name[0] == '.') continue;
        char file[sizeof path + sizeof entry->d_name + 8];
        std::snprintf(file, sizeof file, "%s/%s", path, entry->d_name);
        ++*total;
        if (check(file)) ++passing;
    }
    closedir(entries);
    return passing;
}

// Whether the process takes both signals: handlers for them, or a signalfd
// for them with every thread blocking them. A signal for the process goes to
// any thread that does not block it, and ends the process until it takes
// them; the C library blocks every signal for a moment at each new thread,
// so a blocked mask alone tells nothing.
bool TakesSignals(pid_t process) {
    char status[64];
    std::snprintf(status, sizeof status, "/proc/%d/status", static_cast<int>(process));
    if ((MaskIn(status, "SigCgt:") & KEYBOARD_SIGNALS) == KEYBOARD_SIGNALS) return true;
    int fds = 0, threads = 0;
    int signalfds = Passing(
        process, "fdinfo",
        [](const char* fdinfo) { return (MaskIn(fdinfo, "sigmask:") & KEYBOARD_SIGNALS) == KEYBOARD_SIGNALS; }, &fds);
    int blocking = Passing(
        process, "task",
        [](const char* task) {
            char path[sizeof(dirent::d_name) + 80];
            std::snprintf(path, sizeof path, "%s/status", task);
            return (MaskIn(path, "SigBlk:") & KEYBOARD_SIGNALS) == KEYBOARD_SIGNALS;
        },
        &threads);
    return signalfds > 0 && threads > 0 && blocking == threads;
}

// Waits until the keyboard takes its signals; false when it ended first
// (without XDG_RUNTIME_DIR it cannot make its keymap) or is stuck.
bool Ready() {
    for (int waited = 0; waited < READY_TIMEOUT_MS; waited += static_cast<int>(READY_POLL_NS / 1000000)) {
        if (!Running()) return false;
        if (TakesSignals(g_keyboard.process)) return true;
        timespec pause{0, READY_POLL_NS};
        nanosleep(&pause, nullptr);
    }
    return false;
}

// A keyboard that ends all the same (wvkbd still does now and then) is
// hidden, and the next show starts it again.
bool Signal(int signal) { return Ready() && kill(g_keyboard.process, signal) == 0; }

bool Start(int screenHeight) {
    char height[16];
    std::snprintf(height, sizeof height, "%d", KeyboardHeight(screenHeight));
    char program[] = "wvkbd-mobintl";
    char portrait[] = "-H";
    char landscape[] = "-L";
    char* argv[] = {program, portrait, height, landscape, height, nullptr};
    pid_t child = StartInOwnSession(argv);
    if (child == 0) return false;
    g_keyboard = Keyboard{child, true};
    // Shown once it is up: one that could not start is no keyboard.
    return Ready();
}

BOOL Show(int screenHeight) {
    if (!Running()) return Start(screenHeight) ? TRUE : FALSE;
    if (!Signal(SIGUSR2)) return FALSE;
    g_keyboard.shown = true;
    return TRUE;
}

BOOL Hide() {
    if (!Running()) return TRUE;
    if (!Signal(SIGUSR1)) return FALSE;
    g_keyboard.shown = false;
    return TRUE;
}

}  // namespace

void WaylandSipStop() {
    if (!Running()) return;
    kill(g_keyboard.process, SIGTERM);
    for (int waited = 0; waited < READY_TIMEOUT_MS && Running(); waited += static_cast<int>(READY_POLL_NS / 1000000)) {
        timespec pause{0, READY_POLL_NS};
        nanosleep(&pause, nullptr);
    }
    if (Running()) {
        kill(g_keyboard.process, SIGKILL);
        waitpid(g_keyboard.process, nullptr, 0);
    }
    g_keyboard = Keyboard{};
}

BOOL WaylandSipInfo(UINT action, void* info) {
    SIPINFO* record = static_cast<SIPINFO*>(info);
    int transform = 0, width = 0, height = 0;
    if (record == nullptr || record->cbSize != sizeof(SIPINFO) || !WaylandOutputState(&transform, &width, &height))
        return FALSE;
    if (action == SPI_SETSIPINFO) return (record->fdwFlags & SIPF_ON) ? Show(height) : Hide();
    if (action != SPI_GETSIPINFO) return FALSE;
    bool shown = Running() && g_keyboard.shown;
    int top = height - KeyboardHeight(height);
    record->fdwFlags = shown ? SIPF_ON : 0;
    record->rcVisibleDesktop = RECT{0, 0, width, shown ? top : height};
    record->rcSipRect = shown ? RECT{0, top, width, height} : RECT{0, 0, 0, 0};
    record->dwImDataSize = 0;
    record->pvImData = 0;
    return TRUE;
}
