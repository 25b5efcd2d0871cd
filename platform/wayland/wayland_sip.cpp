// Implements WaylandSipInfo of platform/wayland/wayland_desktop.h
// (platform/sip.h on a wlroots compositor) with wvkbd, a layer-shell
// keyboard that never takes the focus; SIGUSR2 shows it, SIGUSR1 hides it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

#include "platform/sip.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_outputs.h"

extern char** environ;

namespace {

// Its height is ours to give, so the covered part of the screen is known.
constexpr int HEIGHT_DIVISOR = 3;

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

bool Start(int screenHeight) {
    char height[16];
    std::snprintf(height, sizeof height, "%d", KeyboardHeight(screenHeight));
    char program[] = "wvkbd-mobintl";
    char portrait[] = "-H";
    char landscape[] = "-L";
    char* argv[] = {program, portrait, height, landscape, height, nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: it gets no signal meant for the program's terminal.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    int error = posix_spawnp(&child, program, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) return false;
    g_keyboard = Keyboard{child, true};
    return true;
}

BOOL Show(int screenHeight) {
    if (!Running()) return Start(screenHeight) ? TRUE : FALSE;
    if (kill(g_keyboard.process, SIGUSR2) != 0) return FALSE;
    g_keyboard.shown = true;
    return TRUE;
}

BOOL Hide() {
    if (!Running()) return TRUE;
    if (kill(g_keyboard.process, SIGUSR1) != 0) return FALSE;
    g_keyboard.shown = false;
    return TRUE;
}

}  // namespace

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
