// Implements platform/portal/portal_desktop.h.
#include "platform/portal/portal_desktop.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/common/key_strokes.h"
#include "platform/linux/missing_characters.h"
#include "platform/portal/portal_keyboard.h"
#include "platform/portal/portal_session.h"
#include "platform/wayland/wayland_keymap.h"
#include "platform/window.h"
#include "platform/x11/desktop.h"

namespace {

// evdev codes of the modifiers a shortcut names.
constexpr uint32_t KEY_LEFTCTRL = 29;
constexpr uint32_t KEY_LEFTSHIFT = 42;
constexpr uint32_t KEY_LEFTALT = 56;
constexpr uint32_t KEY_LEFTMETA = 125;
// A headless seat gets its keyboard, and we its keymap, with the first key.
constexpr int KEYMAP_WAIT_MS = 3000;
// Characters missing within this long after the first are told together.
constexpr int GATHER_MS = 300;

constexpr int QUEUE_ENTRIES = 4096;
// The most events one keysym takes: Ctrl+Shift+U, eight hex digits each
// with Shift and AltGr, space.
constexpr int MOST_EVENTS = 64;

// A key press or release for the portal, or what must run after the keys
// before it (action non-null).
struct Waiting {
    uint32_t key;
    bool pressed;
    void (*action)(long, long);
    long first, second;
};

struct PortalDesktop {
    bool open;
    bool unicodeInput;
    PortalShortcut close;
    void (*schedule)(int milliseconds);
    // The portal takes one key at a time (it handles concurrent calls in any
    // order): the rest wait here, in order.
    Waiting queue[QUEUE_ENTRIES];
    int head, count;
    bool inFlight;
};
PortalDesktop g_desktop;

bool Enqueue(const Waiting& waiting) {
    if (g_desktop.count == QUEUE_ENTRIES) return false;
    g_desktop.queue[(g_desktop.head + g_desktop.count++) % QUEUE_ENTRIES] = waiting;
    return true;
}

void Taken() { g_desktop.inFlight = false; }

// Sends the next key once the last is taken; runs the actions on the way.
void Pump() {
    while (!g_desktop.inFlight && g_desktop.count > 0) {
        Waiting next = g_desktop.queue[g_desktop.head];
        g_desktop.head = (g_desktop.head + 1) % QUEUE_ENTRIES;
        --g_desktop.count;
        if (next.action != nullptr)
            next.action(next.first, next.second);
        else
            g_desktop.inFlight = PortalSendKey(next.key, next.pressed, Taken);
    }
}

void SendKey(void*, uint32_t key, bool pressed) {
    Enqueue(Waiting{key, pressed, nullptr, 0, 0});
    Pump();
}
const LayoutSink kSink{SendKey, nullptr};

bool SameCharacter(xkb_keysym_t a, xkb_keysym_t b) {
    uint32_t character = xkb_keysym_to_utf32(a);
    return a == b || (character != 0 && character == xkb_keysym_to_utf32(b));
}

// GNOME switches among the user's layouts by locking a group of one keymap,
// and tells the new group only to the focused program: never to us. With
// several groups, only strokes that give the same in each are sure.
bool SureInEveryGroup(const LayoutKeys* layout, const LayoutStroke* strokes, int count) {
    xkb_layout_index_t groups = xkb_keymap_num_layouts(layout->keymap);
    if (groups <= 1) return true;
    xkb_state* state = xkb_state_new(layout->keymap);
    if (state == nullptr) return false;
    bool same = true;
    for (int i = 0; i < count && same; ++i) {
        xkb_mod_mask_t held = (strokes[i].shift ? layout->shiftMask : 0) | (strokes[i].level3 ? layout->level3Mask : 0);
        for (xkb_layout_index_t group = 0; group < groups && same; ++group) {
            xkb_state_update_mask(state, held, 0, layout->lockedMods, 0, 0, group);
            same = SameCharacter(xkb_state_key_get_one_sym(state, strokes[i].key + 8), strokes[i].keysym);
        }
    }
    xkb_state_unref(state);
    return same;
}

bool TypeKeysym(uint32_t keysym) {
    const LayoutKeys* layout = PortalKeyboardLayout(KEYMAP_WAIT_MS);
    // Nothing is typed rather than part of a key: a held Shift or a dead key
    // left pending would change the next characters.
    if (layout == nullptr || !PortalSessionActive() || QUEUE_ENTRIES - g_desktop.count < MOST_EVENTS) return false;
    LayoutStroke strokes[2];
    int count = LayoutKeysStrokes(layout, keysym, strokes);
    // Typed by code only where the layout lacks it: a wrong group gives no key.
    if ((count > 0 ? SureInEveryGroup(layout, strokes, count) : g_desktop.unicodeInput) &&
        LayoutKeysType(layout, keysym, kSink, g_desktop.unicodeInput))
        return true;
    uint32_t codepoint = xkb_keysym_to_utf32(keysym);
    if (codepoint != 0 && MissingCharacterNote(codepoint)) {
        if (g_desktop.schedule != nullptr)
            g_desktop.schedule(GATHER_MS);
        else
            MissingCharactersTell();
    }
    return false;
}

// Where the key is pressed with modifiers of the layout's own choosing, the
// shortcut's are pressed around it as well.
bool TypeShortcut(const PortalShortcut& shortcut) {
    const LayoutKeys* layout = PortalKeyboardLayout(KEYMAP_WAIT_MS);
    LayoutStroke stroke{};
    if (layout == nullptr || !LayoutKeysFind(layout, shortcut.keysym, &stroke) || !PortalSessionActive()) return false;
    uint32_t held[4];
    int count = 0;
    if (shortcut.control) held[count++] = KEY_LEFTCTRL;
    if (shortcut.shift) held[count++] = KEY_LEFTSHIFT;
    if (shortcut.alt) held[count++] = KEY_LEFTALT;
    if (shortcut.super) held[count++] = KEY_LEFTMETA;
    for (int i = 0; i < count; ++i)
        SendKey(nullptr, held[i], true);
    SendKey(nullptr, stroke.key, true);
    SendKey(nullptr, stroke.key, false);
    for (int i = count - 1; i >= 0; --i)
        SendKey(nullptr, held[i], false);
    return true;
}

// The user's binding; GNOME's default where GSettings cannot say.
PortalShortcut CloseShortcut() {
    PortalShortcut shortcut{XKB_KEY_F4, false, false, true, false};
    FILE* gsettings = popen("gsettings get org.gnome.desktop.wm.keybindings close 2>/dev/null", "r");
    if (gsettings == nullptr) return shortcut;
    char line[256] = {};
    bool read = std::fgets(line, sizeof line, gsettings) != nullptr;
    pclose(gsettings);
    PortalShortcut bound{};
    return read && PortalParseShortcut(line, &bound) ? bound : shortcut;
}

}  // namespace

bool PortalParseShortcut(const char* setting, PortalShortcut* shortcut) {
    const char* start = std::strchr(setting, '\'');
    if (start == nullptr) return false;
    const char* end = std::strchr(++start, '\'');
    if (end == nullptr || end == start) return false;
    PortalShortcut parsed{};
    const char* p = start;
    while (p < end && *p == '<') {
        const char* close = std::strchr(p, '>');
        if (close == nullptr || close > end) return false;
        char name[32] = {};
        size_t length = static_cast<size_t>(close - p - 1);
        if (length >= sizeof name) return false;
        std::memcpy(name, p + 1, length);
        if (strcasecmp(name, "Control") == 0 || strcasecmp(name, "Ctrl") == 0 || strcasecmp(name, "Primary") == 0)
            parsed.control = true;
        else if (strcasecmp(name, "Shift") == 0)
            parsed.shift = true;
        else if (strcasecmp(name, "Alt") == 0 || strcasecmp(name, "Mod1") == 0)
            parsed.alt = true;
        else if (strcasecmp(name, "Super") == 0 || strcasecmp(name, "Mod4") == 0)
            parsed.super = true;
        else
            return false;
        p = close + 1;
    }
    char key[64] = {};
    size_t length = static_cast<size_t>(end - p);
    if (length == 0 || length >= sizeof key) return false;
    std::memcpy(key, p, length);
    parsed.keysym = xkb_keysym_from_name(key, XKB_KEYSYM_CASE_INSENSITIVE);
    if (parsed.keysym == XKB_KEY_NoSymbol) return false;
    *shortcut = parsed;
    return true;
}

bool PortalDesktopOpen() {
    const char* compositor = std::getenv("WAYLAND_DISPLAY");
    if (compositor == nullptr || compositor[0] == 0) return false;
    if (!PortalKeyboardOpen()) return false;
    PortalAnswer answer = PortalSessionStart(PORTAL_CONSENT_MS);
    if (answer != PortalAnswer::GRANTED) {
        if (answer == PortalAnswer::DECLINED)
            std::fprintf(stderr,
                         "tastra: the desktop's remote desktop portal was not allowed to type (declined or "
                         "no answer within a minute).\n");
        PortalKeyboardClose();
        return false;
    }
    // The X display holds the dialog and X programs.
    if (!X11DesktopOpen(nullptr)) {
        PortalSessionClose();
        PortalKeyboardClose();
        return false;
    }
    ResetKeyStrokes();
    MissingCharactersReset();
    g_desktop.open = true;
    g_desktop.unicodeInput = UnicodeInputWanted();
    g_desktop.close = CloseShortcut();
    // A lone Shift gives a headless seat its keyboard, and us the keymap,
    // before anything counts.
    SendKey(nullptr, KEY_LEFTSHIFT, true);
    SendKey(nullptr, KEY_LEFTSHIFT, false);
    return true;
}

void PortalDesktopClose() {
    if (g_desktop.open) MissingCharactersTell();
    PortalSessionClose();
    PortalKeyboardClose();
    X11DesktopClose();
    g_desktop = PortalDesktop{};
}

// Mutter names the X window it focused on Xwayland's root and none while a
// native window has the focus.
HWND PortalActiveWindow() {
    HWND active = X11ActiveWindow();
    return active == 0 ? PORTAL_NATIVE_WINDOW : active;
}

bool PortalWindowExists(HWND window) { return window == PORTAL_NATIVE_WINDOW || X11WindowExists(window); }

// Nothing raises or hides a native window of another program from here.
bool PortalShowAndActivate(HWND window) { return window != PORTAL_NATIVE_WINDOW && X11ShowAndActivate(window); }
bool PortalActivate(HWND window) { return window != PORTAL_NATIVE_WINDOW && X11Activate(window); }
bool PortalHide(HWND window) { return window != PORTAL_NATIVE_WINDOW && X11Hide(window); }

// Keys go where the desktop's focus is, whichever window that is.
BOOL PortalPostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR) return FALSE;
    if (!g_desktop.open || !PortalWindowExists(target)) return FALSE;
    return TypeKeyMessage(KeysymStrokes<TypeKeysym>::typer, target, message, wParam);
}

void PortalRequestClose(HWND window) {
    if (window != PORTAL_NATIVE_WINDOW) {
        X11RequestClose(window);
        return;
    }
    // The user may have gone to an X window (this program's dialog among
    // them) since: the shortcut would close that one.
    if (g_desktop.open && X11ActiveWindow() == 0) TypeShortcut(g_desktop.close);
}

void PortalSetKeyTimer(void (*schedule)(int milliseconds)) { g_desktop.schedule = schedule; }
void PortalTypeWaitingKeys() { MissingCharactersTell(); }
int PortalKeysWaiting() { return g_desktop.count + (g_desktop.inFlight ? 1 : 0); }

void PortalAfterWaitingKeys(void (*action)(long, long), long first, long second) {
    if (PortalKeysWaiting() == 0 || !Enqueue(Waiting{0, false, action, first, second})) action(first, second);
}

// The portal's answers drive the keys; the keymap is read there too, and
// before every key.
int PortalEventFd() { return PortalBusFd(); }
bool PortalHandleEvents() {
    bool alive = PortalProcessEvents();
    Pump();
    PortalKeyboardDispatch();
    return alive;
}
