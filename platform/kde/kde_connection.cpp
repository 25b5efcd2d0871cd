// Implements the connection of platform/kde/kde_desktop.h: KWin's fake
// input, the seat's keyboard for the user's keymap, and one descriptor that
// watches both the compositor and the session bus.
#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/kde/kde_desktop.h"
#include "platform/kde/kde_internal.h"
#include "platform/wayland/seat_keyboard.h"

namespace {

constexpr const char* FAKE_INPUT = "org_kde_kwin_fake_input";
constexpr const char* KEY_STATE = "org_kde_kwin_keystate";
// Its destroy request came with version 4.
constexpr uint32_t KEY_STATE_VERSION = 4;
// keyboard_key came with version 4.
constexpr uint32_t FAKE_INPUT_VERSION = 4;
// The seat sends its keymap once it has a keyboard; fake input gives it one.
constexpr int KEYMAP_TIMEOUT_MS = 2000;

struct Connection {
    KdeGlobals globals;
    int epoll;
    bool kwin;  // the compositor is KWin, whether or not it authorises us
};
Connection g_connection{{}, -1, false};

// A latched lock acts on the next key as a locked one does.
void OnKeyState(void*, org_kde_kwin_keystate*, uint32_t key, uint32_t state) {
    KdeGlobals& g = g_connection.globals;
    bool on = state != ORG_KDE_KWIN_KEYSTATE_STATE_UNLOCKED;
    if (key == ORG_KDE_KWIN_KEYSTATE_KEY_CAPSLOCK) g.capsLock = on;
    if (key == ORG_KDE_KWIN_KEYSTATE_KEY_NUMLOCK) g.numLock = on;
}

const org_kde_kwin_keystate_listener KEY_STATE_LISTENER = {OnKeyState};

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    KdeGlobals& g = g_connection.globals;
    if (std::strcmp(interface, "org_kde_plasma_shell") == 0) g_connection.kwin = true;
    if (std::strcmp(interface, "wl_seat") == 0 && g.seat == nullptr)
        g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, FAKE_INPUT) == 0 && g.fakeInput == nullptr && version >= FAKE_INPUT_VERSION)
        g.fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, FAKE_INPUT_VERSION));
    else if (std::strcmp(interface, KEY_STATE) == 0 && g.keyState == nullptr) {
        g.keyState = static_cast<org_kde_kwin_keystate*>(
            wl_registry_bind(registry, name, &org_kde_kwin_keystate_interface,
                             version < KEY_STATE_VERSION ? version : KEY_STATE_VERSION));
        org_kde_kwin_keystate_add_listener(g.keyState, &KEY_STATE_LISTENER, nullptr);
        org_kde_kwin_keystate_fetchStates(g.keyState);
    } else
        KdeOutputsBind(registry, name, interface, version);
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER = {OnGlobal, OnGlobalRemove};

bool Watch(int fd) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return fd >= 0 && epoll_ctl(g_connection.epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

// What makes KWin let this very program type: said once, the program's own
// path filled in.
void TellAuthorisation() {
    static bool told = false;
    if (told) return;
    told = true;
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    path[length > 0 ? length : 0] = 0;
    std::fprintf(stderr,
                 "tastra: KWin lets Tastra type into native programs once a desktop entry authorises it: a file "
                 "ending in .desktop in ~/.local/share/applications with the lines [Desktop Entry], Type=Application, "
                 "Name=Tastra, Exec=%s and "
                 "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_kwin_keystate (the installed package has "
                 "one).\n",
                 path);
}

}  // namespace

KdeGlobals& KdeConnection() { return g_connection.globals; }

bool KdeDesktopOpen(const char* displayName) {
    KdeDesktopClose();
    wl_display* display = wl_display_connect(displayName);
    if (display == nullptr) return false;
    KdeGlobals& g = g_connection.globals;
    g.display = display;
    g.registry = wl_display_get_registry(display);
    wl_registry_add_listener(g.registry, &REGISTRY_LISTENER, nullptr);
    // KWin announces fake input only to a program a desktop entry authorises.
    if (wl_display_roundtrip(display) < 0 || g.fakeInput == nullptr || g.seat == nullptr) {
        if (g_connection.kwin) TellAuthorisation();
        KdeDesktopClose();
        return false;
    }
    org_kde_kwin_fake_input_authenticate(g.fakeInput, "Tastra", "types what a serial terminal sends");
    SeatKeyboardFollow(&g.follower, g.seat, &g.layout);
    for (int waited = 0; g.follower.keymaps == 0 && waited < KEYMAP_TIMEOUT_MS; waited += 20)
        if (!KdeWaylandDispatch(20)) break;
    g_connection.epoll = epoll_create1(EPOLL_CLOEXEC);
    if (g.follower.keymaps == 0 || g_connection.epoll < 0 || !KdeWindowsStart() || !Watch(wl_display_get_fd(display)) ||
        !Watch(KdeBusFd())) {
        KdeDesktopClose();
        return false;
    }
    KdeKeysStart();
    return true;
}

void KdeDesktopClose() {
    KdeGlobals& g = g_connection.globals;
    if (g.display != nullptr) {
        KdeKeysStop();
        KdeWindowsStop();
        KdeOutputsStop();
        SeatKeyboardStop(&g.follower);
        if (g.fakeInput != nullptr) org_kde_kwin_fake_input_destroy(g.fakeInput);
        if (g.keyState != nullptr && org_kde_kwin_keystate_get_version(g.keyState) >= KEY_STATE_VERSION)
            org_kde_kwin_keystate_destroy(g.keyState);
        else if (g.keyState != nullptr)
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(g.keyState));
        if (g.seat != nullptr) wl_seat_destroy(g.seat);
        if (g.registry != nullptr) wl_registry_destroy(g.registry);
        wl_display_roundtrip(g.display);
        wl_display_disconnect(g.display);
    }
    if (g_connection.epoll >= 0) close(g_connection.epoll);
    LayoutKeysFree(&g.layout);
    g_connection = Connection{{}, -1, false};
}

int KdeDesktopFd() { return g_connection.epoll; }

bool KdeDesktopDispatch() {
    KdeBusDispatch();
    return KdeWaylandDispatch(0);
}

bool KdeFlush() { return WaylandDisplayFlush(g_connection.globals.display); }

bool KdeWaylandDispatch(int timeoutMs) { return WaylandDisplayDispatchFor(g_connection.globals.display, timeoutMs); }
