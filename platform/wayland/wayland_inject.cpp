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
    WaylandKeymap keymap;
    bool keymapSent;
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
    uint32_t key = static_cast<uint32_t>(slot + WAYLAND_FIRST_KEYCODE - 8);
    zwp_virtual_keyboard_v1_key(g_injector.keyboard, static_cast<uint32_t>(now), key, KEY_PRESSED);
    zwp_virtual_keyboard_v1_key(g_injector.keyboard, static_cast<uint32_t>(now), key, KEY_RELEASED);
    return true;
}

bool TypeVirtualKey(WORD virtualKey) {
    uint32_t keysym = WaylandKeysymOfVirtualKey(virtualKey);
    return keysym != 0 && TypeKeysym(keysym);
}

bool HasVirtualKey(WORD virtualKey) { return WaylandKeysymOfVirtualKey(virtualKey) != 0; }

bool TypeCharacter(WCHAR character) {
    uint32_t keysym = WaylandKeysymOfCharacter(character);
    return keysym != 0 && TypeKeysym(keysym);
}

bool TargetExists(HWND target) {
    long long now = NowMs();
    if (target > 0 && target == g_injector.checkedTarget && now - g_injector.checkedAtMs < TARGET_CHECK_MS) return true;
    g_injector.checkedTarget = WaylandWindowExists(target) ? target : 0;
    g_injector.checkedAtMs = now;
    return g_injector.checkedTarget != 0;
}

}  // namespace

void WaylandKeyboardStop() {
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
    static const KeyStrokeTyper typer{TypeVirtualKey, HasVirtualKey, TypeCharacter};
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR) return FALSE;
    if (!KeyboardReady() || !TargetExists(target)) return FALSE;
    BOOL typed = TypeKeyMessage(typer, target, message, wParam);
    return WaylandFlush() ? typed : FALSE;
}
