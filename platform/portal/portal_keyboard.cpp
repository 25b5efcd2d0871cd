// Implements platform/portal/portal_keyboard.h.
#include "platform/portal/portal_keyboard.h"

#include <poll.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstring>

#include "platform/linux/lock_lights.h"
#include "platform/wayland/seat_keyboard.h"

namespace {

struct KeyboardState {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    SeatKeyboard follower;
    LayoutKeys keys;
    bool waited;  // for a first keymap: a seat without a keyboard is waited for once
};
KeyboardState g_keyboard;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, "wl_seat") != 0 || g_keyboard.seat != nullptr) return;
    // Version 3 lets the keyboard be released again.
    uint32_t bound = version < 3 ? version : 3;
    g_keyboard.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, bound));
    SeatKeyboardFollow(&g_keyboard.follower, g_keyboard.seat, &g_keyboard.keys);
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// Reads what is there, waiting at most `timeoutMs` for it.
bool DispatchFor(int timeoutMs) { return WaylandDisplayDispatchFor(g_keyboard.display, timeoutMs); }

}  // namespace

bool PortalKeyboardOpen() {
    PortalKeyboardClose();
    g_keyboard.display = wl_display_connect(nullptr);
    if (g_keyboard.display == nullptr) return false;
    g_keyboard.registry = wl_display_get_registry(g_keyboard.display);
    wl_registry_add_listener(g_keyboard.registry, &kRegistryListener, nullptr);
    // The globals, then the seat's capabilities.
    if (wl_display_roundtrip(g_keyboard.display) < 0 || g_keyboard.seat == nullptr ||
        wl_display_roundtrip(g_keyboard.display) < 0) {
        PortalKeyboardClose();
        return false;
    }
    return true;
}

void PortalKeyboardClose() {
    SeatKeyboardStop(&g_keyboard.follower);
    if (g_keyboard.seat != nullptr) {
        if (wl_seat_get_version(g_keyboard.seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(g_keyboard.seat);
        else
            wl_seat_destroy(g_keyboard.seat);
    }
    if (g_keyboard.registry != nullptr) wl_registry_destroy(g_keyboard.registry);
    if (g_keyboard.display != nullptr) wl_display_disconnect(g_keyboard.display);
    LayoutKeysFree(&g_keyboard.keys);
    g_keyboard.follower = SeatKeyboard{};
    g_keyboard.keys = LayoutKeys{};
    g_keyboard.display = nullptr;
    g_keyboard.registry = nullptr;
    g_keyboard.seat = nullptr;
    g_keyboard.waited = false;
}

int PortalKeyboardFd() { return g_keyboard.display != nullptr ? wl_display_get_fd(g_keyboard.display) : -1; }

namespace {

// GNOME tells the locks only to the focused program: the keyboards' lights
// show Caps Lock where there are any.
void FollowCapsLockLight(LayoutKeys* keys) {
    LockLight light = CapsLockLight();
    if (light == LockLight::NONE) return;
    LayoutKeysSetState(keys, LayoutKeysLock(keys, keys->lockedMods, XKB_MOD_NAME_CAPS, light == LockLight::LIT),
                       keys->group);
}

}  // namespace

bool PortalKeyboardDispatch() { return g_keyboard.display != nullptr && DispatchFor(0); }

const LayoutKeys* PortalKeyboardLayout(int timeoutMs) {
    if (g_keyboard.display == nullptr) return nullptr;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // Keymaps that arrived since the last key count before it.
    if (!DispatchFor(0)) return nullptr;
    if (g_keyboard.follower.keymaps == 0 && g_keyboard.waited) return nullptr;
    g_keyboard.waited = true;
    while (g_keyboard.follower.keymaps == 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !DispatchFor(static_cast<int>(left.count()))) return nullptr;
    }
    FollowCapsLockLight(&g_keyboard.keys);
    return &g_keyboard.keys;
}
