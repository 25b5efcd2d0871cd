// Implements the connection of platform/wayland/wayland_desktop.h and
// wayland_internal.h: the globals we bind and the choice of this desktop.
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "platform/wayland/seat_keyboard.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_internal.h"

namespace {

constexpr const char* KEYBOARD_MANAGER = "zwp_virtual_keyboard_manager_v1";
constexpr const char* TOPLEVEL_MANAGER = "zwlr_foreign_toplevel_manager_v1";
constexpr const char* OUTPUT_MANAGER = "zwlr_output_manager_v1";
constexpr const char* SEAT = "wl_seat";
constexpr const char* OUTPUT = "wl_output";
constexpr int MAX_GLOBALS = 128;

struct Connection {
    WaylandGlobals globals;
    // What the compositor offers, for the choice.
    const char* offered[MAX_GLOBALS];
    int offeredCount;
};

Connection g_connection;

// Names of the interfaces the choice looks at; the registry's own strings
// live only during the event.
const char* Known(const char* interface) {
    static const char* const known[] = {KEYBOARD_MANAGER, TOPLEVEL_MANAGER, OUTPUT_MANAGER, SEAT, OUTPUT};
    for (const char* name : known)
        if (std::strcmp(name, interface) == 0) return name;
    return nullptr;
}

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    WaylandGlobals& g = g_connection.globals;
    const char* known = Known(interface);
    if (known == nullptr) return;
    if (g_connection.offeredCount < MAX_GLOBALS) g_connection.offered[g_connection.offeredCount++] = known;
    // Version 1 of each is all we use, and every compositor offers it.
    if (known == SEAT && g.seat == nullptr)
        WaylandSeatStart(g.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1)));
    else if (known == OUTPUT && !g.output) {
        g.output = true;
        WaylandScreenStart(static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1)));
    } else if (known == KEYBOARD_MANAGER && g.keyboardManager == nullptr)
        g.keyboardManager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    // The managers announce their objects at once: they need their listeners before that.
    else if (known == TOPLEVEL_MANAGER && g.toplevelManager == nullptr)
        WaylandToplevelsStart(g.toplevelManager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
                                  wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, 1)));
    else if (known == OUTPUT_MANAGER && g.outputManager == nullptr)
        WaylandOutputsStart(g.outputManager = static_cast<zwlr_output_manager_v1*>(
                                wl_registry_bind(registry, name, &zwlr_output_manager_v1_interface, 1)));
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener REGISTRY_LISTENER = {OnGlobal, OnGlobalRemove};

}  // namespace

const WaylandGlobals& WaylandConnection() { return g_connection.globals; }

bool WaylandDesktopUsableWith(const char* const* interfaces, int count) {
    bool keyboard = false, toplevels = false, seat = false;
    for (int i = 0; i < count; ++i) {
        keyboard = keyboard || std::strcmp(interfaces[i], KEYBOARD_MANAGER) == 0;
        toplevels = toplevels || std::strcmp(interfaces[i], TOPLEVEL_MANAGER) == 0;
        seat = seat || std::strcmp(interfaces[i], SEAT) == 0;
    }
    return keyboard && toplevels && seat;
}

bool WaylandDesktopUsable() {
    return g_connection.globals.display != nullptr &&
           WaylandDesktopUsableWith(g_connection.offered, g_connection.offeredCount);
}

bool WaylandDesktopOpen(const char* displayName) {
    WaylandDesktopClose();
    wl_display* display = wl_display_connect(displayName);
    if (display == nullptr) return false;
    WaylandGlobals& g = g_connection.globals;
    g.display = display;
    g.registry = wl_display_get_registry(display);
    wl_registry_add_listener(g.registry, &REGISTRY_LISTENER, nullptr);
    if (!WaylandRoundtrip()) {
        WaylandDesktopClose();
        return false;
    }
    // The toplevels and outputs there are now, with their state.
    WaylandRoundtrip();
    return true;
}

void WaylandDesktopClose() {
    WaylandGlobals& g = g_connection.globals;
    if (g.display == nullptr) return;
    WaylandKeyboardStop();
    WaylandToplevelsStop();
    WaylandOutputsStop();
    WaylandSipStop();
    if (g.keyboardManager != nullptr) zwp_virtual_keyboard_manager_v1_destroy(g.keyboardManager);
    if (g.seat != nullptr) wl_seat_destroy(g.seat);
    if (g.registry != nullptr) wl_registry_destroy(g.registry);
    wl_display_roundtrip(g.display);
    wl_display_disconnect(g.display);
    g_connection = Connection{};
}

int WaylandDesktopFd() {
    return g_connection.globals.display != nullptr ? wl_display_get_fd(g_connection.globals.display) : -1;
}

bool WaylandDesktopDispatch() {
    if (!WaylandDispatchFor(0)) return false;
    WaylandKeyboardReassert();
    return WaylandFlush();
}

bool WaylandFlush() { return WaylandDisplayFlush(g_connection.globals.display); }

bool WaylandRoundtrip() {
    wl_display* display = g_connection.globals.display;
    return display != nullptr && wl_display_roundtrip(display) >= 0;
}

bool WaylandDispatchFor(int timeoutMs) { return WaylandDisplayDispatchFor(g_connection.globals.display, timeoutMs); }
