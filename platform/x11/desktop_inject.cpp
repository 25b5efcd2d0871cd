// Implements X11PostKeyMessage of platform/x11/desktop.h: key and character messages typed through XTest,
// by the rules of platform/common/key_strokes.h.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <time.h>

#include "platform/common/key_strokes.h"
#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

// Clients read the keymap only when they handle a key event after a
// MappingNotify, so a spare keycode rebound before the client got to its
// last stroke types the new keysym. Measured with xterm: characters changed
// at up to 100 ms with the machine busy, at 150 ms under heavy load (a
// client then lags that much); 250 ms leaves a margin.
constexpr int DEFAULT_REBIND_DELAY_MS = 250;
constexpr int MAX_SPARE_KEYCODES = 32;
// Spare keycodes idle this long go back to no symbol at the next message.
constexpr long long RESTORE_AFTER_US = 2000000;
// The target checked this recently is taken as still there: a burst of
// messages to one target costs one round trip, not one per character.
constexpr long long TARGET_CHECK_US = 20000;

constexpr int MOD_SHIFT = 1;
constexpr int MOD_LEVEL3 = 2;

struct SpareKeycode {
    KeyCode code;
    KeySym bound;
    long long lastUseUs;
};

static SpareKeycode g_spares[MAX_SPARE_KEYCODES];
static int g_spareCount = 0;
static int g_spareLimit = MAX_SPARE_KEYCODES;
static long long g_rebindDelayUs = DEFAULT_REBIND_DELAY_MS * 1000LL;

static KeySym* g_keymap = nullptr;
static int g_minKeycode = 0;
static int g_maxKeycode = 0;
static int g_keysymsPerKeycode = 0;
static bool g_keymapStale = true;
static KeyCode g_shiftKeycode = 0;
static KeyCode g_level3Keycode = 0;

static HWND g_checkedTarget = 0;
static long long g_checkedAtUs = 0;

static long long NowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

static void SleepUs(long long us)
{
    timespec pause{static_cast<time_t>(us / 1000000), static_cast<long>((us % 1000000) * 1000)};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

void X11SetSpareKeycodeTuning(int limit, int rebindDelayMs)
{
    g_spareLimit = limit < 1 ? 1 : limit > MAX_SPARE_KEYCODES ? MAX_SPARE_KEYCODES : limit;
    g_rebindDelayUs = rebindDelayMs * 1000LL;
    g_keymapStale = true;
}

static SpareKeycode* SpareOf(int keycode)
{
    for (int i = 0; i < g_spareCount; ++i)
        if (g_spares[i].code == keycode)
            return &g_spares[i];
    return nullptr;
}

static KeySym KeymapAt(int keycode, int column)
{
    if (!g_keymap || keycode < g_minKeycode || keycode > g_maxKeycode || column >= g_keysymsPerKeycode)
        return NoSymbol;
    return g_keymap[(keycode - g_minKeycode) * g_keysymsPerKeycode + column];
}

static bool KeycodeUnused(int keycode)
{
    for (int column = 0; column < g_keysymsPerKeycode; ++column)
        if (KeymapAt(keycode, column) != NoSymbol)
            return false;
    return true;
}

// Keeps the spares that are still ours (unused, or holding what we bound),
// with their times, and tops the set up with unused keycodes.
static void RebuildSpares()
{
    int kept = 0;
    for (int i = 0; i < g_spareCount; ++i) {
        SpareKeycode spare = g_spares[i];
        bool ours = KeycodeUnused(spare.code) || (spare.bound != NoSymbol && KeymapAt(spare.code, 0) == spare.bound);
        if (!ours || kept >= g_spareLimit)
            continue;
        if (KeycodeUnused(spare.code))
            spare.bound = NoSymbol;
        g_spares[kept++] = spare;
    }
    g_spareCount = kept;
    for (int keycode = g_maxKeycode; keycode >= g_minKeycode && g_spareCount < g_spareLimit; --keycode)
        if (KeycodeUnused(keycode) && !SpareOf(keycode))
            g_spares[g_spareCount++] = SpareKeycode{static_cast<KeyCode>(keycode), NoSymbol, 0};
}

static KeyCode KeycodeAtColumn(KeySym keysym, int column)
{
    for (int keycode = g_minKeycode; keycode <= g_maxKeycode; ++keycode)
        if (!SpareOf(keycode) && KeymapAt(keycode, column) == keysym)
            return static_cast<KeyCode>(keycode);
    return 0;
}

static void LoadKeymap(Display* display)
{
    if (g_keymap)
        XFree(g_keymap);
    XDisplayKeycodes(display, &g_minKeycode, &g_maxKeycode);
    g_keymap = XGetKeyboardMapping(display, static_cast<KeyCode>(g_minKeycode), g_maxKeycode - g_minKeycode + 1, &g_keysymsPerKeycode);
    if (!g_keymap)
        g_keysymsPerKeycode = 0;
    RebuildSpares();
    g_shiftKeycode = KeycodeAtColumn(XK_Shift_L, 0);
    if (!g_shiftKeycode)
        g_shiftKeycode = KeycodeAtColumn(XK_Shift_R, 0);
    g_level3Keycode = KeycodeAtColumn(XK_ISO_Level3_Shift, 0);
    g_keymapStale = false;
}

static bool OnlySpares(int first, int count)
{
    for (int keycode = first; keycode < first + count; ++keycode)
        if (!SpareOf(keycode))
            return false;
    return count > 0;
}

// Our connection gets every MappingNotify, our own rebinding included; read
// them so they do not pile up, and reload the layout when someone else changed it.
static void DrainEvents(Display* display)
{
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MappingNotify)
            continue;
        XRefreshKeyboardMapping(&event.xmapping);
        if (event.xmapping.request != MappingKeyboard || !OnlySpares(event.xmapping.first_keycode, event.xmapping.count))
            g_keymapStale = true;
    }
}

// Level 1 and 2 of group 1 (plain, Shift), then levels 3 and 4 (AltGr).
static bool FindOnLayout(KeySym keysym, KeyCode* keycode, int* modifiers)
{
    static const int columns[] = {0, 1, 4, 5};
    static const int needs[] = {0, MOD_SHIFT, MOD_LEVEL3, MOD_SHIFT | MOD_LEVEL3};
    for (int i = 0; i < 4; ++i) {
        if (((needs[i] & MOD_SHIFT) && !g_shiftKeycode) || ((needs[i] & MOD_LEVEL3) && !g_level3Keycode))
            continue;
        KeyCode found = KeycodeAtColumn(keysym, columns[i]);
        if (found) {
            *keycode = found;
            *modifiers = needs[i];
            return true;
        }
    }
    return false;
}

static void FakeKey(Display* display, KeyCode keycode, bool press)
{
    XTestFakeKeyEvent(display, keycode, press ? True : False, CurrentTime);
}

static void Stroke(Display* display, KeyCode keycode, int modifiers)
{
    if (modifiers & MOD_SHIFT)
        FakeKey(display, g_shiftKeycode, true);
    if (modifiers & MOD_LEVEL3)
        FakeKey(display, g_level3Keycode, true);
    FakeKey(display, keycode, true);
    FakeKey(display, keycode, false);
    if (modifiers & MOD_LEVEL3)
        FakeKey(display, g_level3Keycode, false);
    if (modifiers & MOD_SHIFT)
        FakeKey(display, g_shiftKeycode, false);
}

static void BindSpare(Display* display, SpareKeycode* spare, KeySym keysym)
{
    // Both levels, so that a held Shift cannot change what it types.
    KeySym both[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, spare->code, 2, both, 1);
    spare->bound = keysym;
}

static bool TypeThroughSpare(Display* display, KeySym keysym)
{
    SpareKeycode* chosen = nullptr;
    for (int i = 0; i < g_spareCount && !chosen; ++i)
        if (g_spares[i].bound == keysym)
            chosen = &g_spares[i];
    if (!chosen) {
        for (int i = 0; i < g_spareCount; ++i)
            if (!chosen || g_spares[i].lastUseUs < chosen->lastUseUs)
                chosen = &g_spares[i];
        if (!chosen)
            return false;
        long long wait = chosen->lastUseUs + g_rebindDelayUs - NowUs();
        if (wait > 0) {
            XFlush(display);
            SleepUs(wait);
        }
        BindSpare(display, chosen, keysym);
    }
    Stroke(display, chosen->code, 0);
    chosen->lastUseUs = NowUs();
    return true;
}

static void RestoreIdleSpares(Display* display, long long idleUs)
{
    long long now = NowUs();
    for (int i = 0; i < g_spareCount; ++i) {
        SpareKeycode* spare = &g_spares[i];
        if (spare->bound == NoSymbol || now - spare->lastUseUs < idleUs)
            continue;
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display, spare->code, 2, none, 1);
        spare->bound = NoSymbol;
        spare->lastUseUs = now;
    }
}

void X11ReleaseSpareKeycodes()
{
    Display* display = X11DesktopDisplay();
    if (display) {
        // A client may still be reading the last strokes.
        long long lastUse = 0;
        for (int i = 0; i < g_spareCount; ++i)
            if (g_spares[i].bound != NoSymbol && g_spares[i].lastUseUs > lastUse)
                lastUse = g_spares[i].lastUseUs;
        long long wait = lastUse + g_rebindDelayUs - NowUs();
        if (wait > 0)
            SleepUs(wait);
        RestoreIdleSpares(display, 0);
        XSync(display, False);
    }
    if (g_keymap)
        XFree(g_keymap);
    g_keymap = nullptr;
    g_spareCount = 0;
    g_keymapStale = true;
    ResetKeyStrokes();
    g_checkedTarget = 0;
}

static bool TypeKeysym(Display* display, KeySym keysym, KeySym alternative)
{
    KeyCode keycode = 0;
    int modifiers = 0;
    if (FindOnLayout(keysym, &keycode, &modifiers) || (alternative != NoSymbol && FindOnLayout(alternative, &keycode, &modifiers))) {
        Stroke(display, keycode, modifiers);
        return true;
    }
    return TypeThroughSpare(display, keysym);
}

static bool XTestAvailable(Display* display)
{
    static Display* checked = nullptr;
    static bool available = false;
    if (checked != display) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        available = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
        checked = display;
    }
    return available;
}

static bool TargetExists(HWND target)
{
    long long now = NowUs();
    if (target > 0 && target == g_checkedTarget && now - g_checkedAtUs < TARGET_CHECK_US)
        return true;
    g_checkedTarget = X11WindowExists(target) ? target : 0;
    g_checkedAtUs = now;
    return g_checkedTarget != 0;
}

static bool TypeVirtualKey(WORD virtualKey)
{
    KeySym keysym = X11KeysymOfVirtualKey(virtualKey);
    return keysym != NoSymbol && TypeKeysym(X11DesktopDisplay(), keysym, NoSymbol);
}

static bool HasVirtualKey(WORD virtualKey)
{
    return X11KeysymOfVirtualKey(virtualKey) != NoSymbol;
}

static bool TypeCharacter(WCHAR character)
{
    KeySym keysym = X11KeysymOfCharacter(character);
    return keysym != NoSymbol && TypeKeysym(X11DesktopDisplay(), keysym, X11LegacyKeysymOfCharacter(character));
}

BOOL X11PostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM)
{
    static const KeyStrokeTyper typer{TypeVirtualKey, HasVirtualKey, TypeCharacter};
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR)
        return FALSE;
    Display* display = X11DesktopDisplay();
    if (!display || !XTestAvailable(display) || !TargetExists(target))
        return FALSE;
    DrainEvents(display);
    if (g_keymapStale)
        LoadKeymap(display);
    RestoreIdleSpares(display, RESTORE_AFTER_US);
    BOOL typed = TypeKeyMessage(typer, target, message, wParam);
    XFlush(display);
    return typed;
}
