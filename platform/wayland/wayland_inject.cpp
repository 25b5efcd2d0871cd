// Implements WaylandPostKeyMessage of platform/wayland/wayland_desktop.h: key
// and character messages typed through a virtual keyboard.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

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
    // The character the last key press produced itself, and for which
    // target: its WM_CHAR that follows must not type it a second time.
    WCHAR pressedCharacter;
    HWND pressedTarget;
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

WCHAR CharacterOfKey(WPARAM virtualKey) {
    switch (virtualKey & 0xFF) {
        case VK_BACK: return 0x08;
        case VK_TAB: return 0x09;
        case VK_RETURN: return 0x0D;
        case VK_ESCAPE: return 0x1B;
        default: return 0;
    }
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
}

BOOL WaylandPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR) return FALSE;
    if (!KeyboardReady() || !TargetExists(target)) return FALSE;
    bool typed = false;
    if (message == WM_KEYDOWN) {
        uint32_t keysym = WaylandKeysymOfVirtualKey(wParam);
        typed = keysym != 0 && TypeKeysym(keysym);
        g_injector.pressedCharacter = typed ? CharacterOfKey(wParam) : 0;
        g_injector.pressedTarget = target;
    } else if (message == WM_KEYUP) {
        typed = WaylandKeysymOfVirtualKey(wParam) != 0;
    } else {
        WCHAR character = static_cast<WCHAR>(wParam);
        bool producedByKey = character != 0 && character == g_injector.pressedCharacter &&
                             target == g_injector.pressedTarget;
        g_injector.pressedCharacter = 0;
        if (producedByKey) return TRUE;
        uint32_t keysym = WaylandKeysymOfCharacter(character);
        typed = keysym != 0 && TypeKeysym(keysym);
    }
    return typed && WaylandFlush() ? TRUE : FALSE;
}
