// Implements platform/wayland/seat_keyboard.h.
#include "platform/wayland/seat_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

struct SeatKeyboard {
    wl_seat* seat;
    wl_keyboard* keyboard;
    LayoutKeys* keys;
    int keymaps;
};
SeatKeyboard g_seatKeyboard;

void OnKeymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            if (LayoutKeysLoad(g_seatKeyboard.keys, static_cast<const char*>(text), size)) ++g_seatKeyboard.keymaps;
            munmap(text, size);
        }
    }
    close(fd);
}

void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group) {
    LayoutKeysSetGroup(g_seatKeyboard.keys, group);
}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener KEYBOARD_LISTENER = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

void OnCapabilities(void*, wl_seat* seat, uint32_t capabilities) {
    bool has = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (has && g_seatKeyboard.keyboard == nullptr) {
        g_seatKeyboard.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(g_seatKeyboard.keyboard, &KEYBOARD_LISTENER, nullptr);
    } else if (!has && g_seatKeyboard.keyboard != nullptr) {
        wl_keyboard_destroy(g_seatKeyboard.keyboard);
        g_seatKeyboard.keyboard = nullptr;
    }
}

void OnName(void*, wl_seat*, const char*) {}

const wl_seat_listener SEAT_LISTENER = {OnCapabilities, OnName};

}  // namespace

bool SeatKeyboardFollow(wl_seat* seat, LayoutKeys* keys) {
    SeatKeyboardStop();
    g_seatKeyboard.seat = seat;
    g_seatKeyboard.keys = keys;
    return wl_seat_add_listener(seat, &SEAT_LISTENER, nullptr) == 0;
}

void SeatKeyboardStop() {
    if (g_seatKeyboard.keyboard != nullptr) wl_keyboard_destroy(g_seatKeyboard.keyboard);
    g_seatKeyboard = SeatKeyboard{};
}

int SeatKeyboardKeymaps() { return g_seatKeyboard.keymaps; }
