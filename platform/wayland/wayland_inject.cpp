// Implements WaylandPostKeyMessage of platform/wayland/wayland_desktop.h: key
// and character messages typed through a virtual keyboard.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/common/key_strokes.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_internal.h"
#include "platform/wayland/wayland_keymap.h"
#include "platform/window.h"

namespace {

constexpr uint32_t KEYMAP_FORMAT_XKB_V1 = 1;
constexpr uint32_t KEY_RELEASED = 0;
constexpr uint32_t KEY_PRESSED = 1;
// The target checked this recently is taken as still there: a burst of
// messages to one target costs one round trip, not one per character.
constexpr long long TARGET_CHECK_MS = 20;

struct Injector {
    zwp_virtual_keyboard_v1* keyboard;
    // The seat's keyboard announces every keymap that takes effect, ours
    // included: how we learn that the compositor replaced ours.
    wl_keyboard* seatKeyboard;
    WaylandKeymap keymap;
    bool keymapSent;  // false: ours must be sent (again) before the next key
    int group;        // the group our keyboard's state holds
    HWND checkedTarget;
    long long checkedAtMs;
};

Injector g_injector;
char g_keymapText[WAYLAND_KEYMAP_TEXT_BYTES];

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// The compositor hands the keymap to the focused client ahead of the next
// key, on the same ordered stream, so a new keysym needs no waiting.
bool SendKeymap() {
    int size = WaylandKeymapText(&g_injector.keymap, g_keymapText, sizeof g_keymapText);
    if (size < 0) return false;
    int fd = memfd_create("tastra-keymap", MFD_CLOEXEC);
    if (fd < 0) return false;
    bool written = write(fd, g_keymapText, size) == size;
    if (written) zwp_virtual_keyboard_v1_keymap(g_injector.keyboard, KEYMAP_FORMAT_XKB_V1, fd, size);
    // The request holds its own copy of the descriptor.
    close(fd);
    if (!written) return false;
    // None of our modifiers is ever held or locked.
    zwp_virtual_keyboard_v1_modifiers(g_injector.keyboard, 0, 0, 0, 0);
    g_injector.keymapSent = true;
    g_injector.group = 0;
    return true;
}

bool KeyboardReady() {
    if (g_injector.keyboard != nullptr) return g_injector.keymapSent || SendKeymap();
    const WaylandGlobals& g = WaylandConnection();
    if (g.display == nullptr || g.keyboardManager == nullptr || g.seat == nullptr) return false;
    g_injector.keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g.keyboardManager, g.seat);
    WaylandKeymapInit(&g_injector.keymap);
    g_injector.keymapSent = false;
    return SendKeymap();
}

bool TypeKeysym(uint32_t keysym) {
    bool changed = false;
    long long now = NowMs();
    int slot = WaylandKeymapSlot(&g_injector.keymap, keysym, now, &changed);
    if (slot < 0 || (changed && !SendKeymap())) return false;
    int group = WaylandKeymapGroup(slot);
    if (group != g_injector.group) {
        zwp_virtual_keyboard_v1_modifiers(g_injector.keyboard, 0, 0, 0, static_cast<uint32_t>(group));
        g_injector.group = group;
    }
    uint32_t key = static_cast<uint32_t>(WaylandKeymapKeycode(slot) - 8);
    zwp_virtual_keyboard_v1_key(g_injector.keyboard, static_cast<uint32_t>(now), key, KEY_PRESSED);
    zwp_virtual_keyboard_v1_key(g_injector.keyboard, static_cast<uint32_t>(now), key, KEY_RELEASED);
    return true;
}

bool TargetExists(HWND target) {
    long long now = NowMs();
    if (target > 0 && target == g_injector.checkedTarget && now - g_injector.checkedAtMs < TARGET_CHECK_MS) return true;
    g_injector.checkedTarget = WaylandWindowExists(target) ? target : 0;
    g_injector.checkedAtMs = now;
    return g_injector.checkedTarget != 0;
}

// sway applies its keyboard configuration (a layout set, a reload) to every
// keyboard, ours too. The seat then announces the replaced keymap if ours is
// the current keyboard, or the current keyboard's new one if another is, as
// both take the configuration. Any keymap not ours, a mere switch to another
// keyboard included, is taken as the loss of ours: sending it again is cheap.
void OnKeymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    void* text = format == KEYMAP_FORMAT_XKB_V1 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    close(fd);
    bool ours = text != MAP_FAILED && WaylandKeymapIsOurs(static_cast<const char*>(text), size);
    if (text != MAP_FAILED) munmap(text, size);
    if (!ours) g_injector.keymapSent = false;
}

void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener SEAT_KEYBOARD_LISTENER = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

// A seat offers its keyboard only while it has one (sway's has none before
// the first keyboard, ours maybe).
void OnCapabilities(void*, wl_seat* seat, uint32_t capabilities) {
    bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (keyboard && g_injector.seatKeyboard == nullptr) {
        g_injector.seatKeyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(g_injector.seatKeyboard, &SEAT_KEYBOARD_LISTENER, nullptr);
    } else if (!keyboard && g_injector.seatKeyboard != nullptr) {
        wl_keyboard_destroy(g_injector.seatKeyboard);
        g_injector.seatKeyboard = nullptr;
    }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener SEAT_LISTENER = {OnCapabilities, OnSeatName};

}  // namespace

void WaylandSeatStart(wl_seat* seat) { wl_seat_add_listener(seat, &SEAT_LISTENER, nullptr); }

// Sent again as soon as we learn of the loss, not with the next key: X
// programs on Xwayland read a new keymap too late for a key that follows it
// at once.
void WaylandKeyboardReassert() {
    if (g_injector.keyboard != nullptr && !g_injector.keymapSent) SendKeymap();
}

void WaylandKeyboardStop() {
    if (g_injector.seatKeyboard != nullptr) wl_keyboard_destroy(g_injector.seatKeyboard);
    if (g_injector.keyboard != nullptr) zwp_virtual_keyboard_v1_destroy(g_injector.keyboard);
    g_injector = Injector{};
    ResetKeyStrokes();
}

// The compositor hands a keyboard's keymap to the focused client with that
// keyboard's first key, and X programs on Xwayland read a new keymap too late
// for the key that came with it. A key without a symbol (evdev 0) makes ours
// the current keyboard now, long before anything is typed.
bool WaylandKeyboardPrime() {
    if (!KeyboardReady()) return false;
    uint32_t now = static_cast<uint32_t>(NowMs());
    zwp_virtual_keyboard_v1_key(g_injector.keyboard, now, 0, KEY_PRESSED);
    zwp_virtual_keyboard_v1_key(g_injector.keyboard, now, 0, KEY_RELEASED);
    return WaylandFlush();
}

BOOL WaylandPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR) return FALSE;
    // The check of the target reads events, a replaced keymap among them.
    if (!TargetExists(target) || !KeyboardReady()) return FALSE;
    BOOL typed = TypeKeyMessage(KeysymStrokes<TypeKeysym>::typer, target, message, wParam);
    return WaylandFlush() ? typed : FALSE;
}
