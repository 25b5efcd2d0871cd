// Implements platform/wayland/seat_keyboard.h.
#include "platform/wayland/seat_keyboard.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>

namespace {

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    auto* follower = static_cast<SeatKeyboard*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            if (LayoutKeysLoad(follower->keys, static_cast<const char*>(text), size)) ++follower->keymaps;
            munmap(text, size);
        }
    }
    close(fd);
}

void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t locked, uint32_t group) {
    LayoutKeysSetState(static_cast<SeatKeyboard*>(data)->keys, locked, group);
}

void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

void OnCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    auto* follower = static_cast<SeatKeyboard*>(data);
    bool has = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (has && follower->keyboard == nullptr) {
        follower->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(follower->keyboard, &kKeyboardListener, follower);
    } else if (!has && follower->keyboard != nullptr) {
        SeatKeyboardStop(follower);
    }
}

void OnName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnCapabilities, OnName};

}  // namespace

bool SeatKeyboardFollow(SeatKeyboard* follower, wl_seat* seat, LayoutKeys* keys) {
    follower->seat = seat;
    follower->keys = keys;
    return wl_seat_add_listener(seat, &kSeatListener, follower) == 0;
}

void SeatKeyboardStop(SeatKeyboard* follower) {
    if (follower->keyboard == nullptr) return;
    if (wl_keyboard_get_version(follower->keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(follower->keyboard);
    else
        wl_keyboard_destroy(follower->keyboard);
    follower->keyboard = nullptr;
}

bool WaylandDisplayFlush(wl_display* display) {
    if (display == nullptr) return false;
    while (wl_display_flush(display) < 0) {
        if (errno != EAGAIN) return false;
        pollfd out{wl_display_get_fd(display), POLLOUT, 0};
        if (poll(&out, 1, 1000) <= 0) return false;
    }
    return true;
}

bool WaylandDisplayDispatchFor(wl_display* display, int timeoutMs) {
    if (display == nullptr) return false;
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0) return false;
    if (!WaylandDisplayFlush(display)) {
        wl_display_cancel_read(display);
        return false;
    }
    pollfd in{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&in, 1, timeoutMs) > 0) {
        if (wl_display_read_events(display) < 0) return false;
    } else {
        wl_display_cancel_read(display);
    }
    return wl_display_dispatch_pending(display) >= 0;
}
