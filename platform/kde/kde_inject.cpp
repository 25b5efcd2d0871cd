// Implements KdePostKeyMessage and the waiting keys of
// platform/kde/kde_desktop.h: every message becomes key presses and releases
// of the user's own layout, with Shift and AltGr pressed around the key, in
// one queue that the loop's timer types a slice at a time, paced.
#include <time.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/common/key_strokes.h"
#include "platform/kde/kde_desktop.h"
#include "platform/kde/kde_internal.h"
#include "platform/linux/lock_lights.h"
#include "platform/linux/missing_characters.h"
#include "platform/wayland/wayland_keymap.h"
#include "platform/window.h"

namespace {

// KWin passes each fake key to the focused program at once; a burst of
// 2,000 keys in 40 ms filled its socket and KWin dropped the program.
// Measured exact at 0.3 and 1 ms a key: the keys (a press and a release,
// with their Shift and AltGr) start at least this far apart.
constexpr long long STROKE_GAP_NS = 300000;
// The loop goes on between slices, so a long paste never holds it.
constexpr long long SLICE_NS = 16000000;
// Room for what the loop lets wait (a few poll reads, each key up to six
// events with Shift and AltGr, far more through Ctrl+Shift+U).
constexpr int QUEUE_SIZE = 32768;
constexpr uint32_t KEY_RELEASED = 0;
constexpr uint32_t KEY_PRESSED = 1;
// The target checked this recently is taken as still there.
constexpr long long TARGET_CHECK_NS = 20000000;

struct Entry {
    HWND target;
    uint32_t key;
    bool pressed;
    bool ends;  // the last event of a key's stroke
    void (*action)(long, long);
    long first, second;
};

struct Keys {
    Entry queue[QUEUE_SIZE];
    int head, count;
    int waiting;       // keys and actions in the queue
    long long nextNs;  // when the next key may start
    bool typing;
    bool full;  // a message did not fit: the rest of it is dropped
    void (*schedule)(int milliseconds);
    HWND checkedTarget;
    long long checkedAtNs;
    HWND postingTarget;  // the window of the message being queued
    bool unicodeInput;
    long long tellAtNs;  // when to tell the characters not typed; 0: nothing to tell
};
Keys g_keys;

long long NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

bool Enqueue(const Entry& entry) {
    if (g_keys.count >= QUEUE_SIZE) return false;
    g_keys.queue[(g_keys.head + g_keys.count) % QUEUE_SIZE] = entry;
    ++g_keys.count;
    return true;
}

// A stroke whose events do not all fit is dropped whole (TypeKeysym): a
// held Shift would change the next keys.
void QueueKey(void*, uint32_t key, bool pressed) {
    if (!g_keys.full && !Enqueue(Entry{g_keys.postingTarget, key, pressed, false, nullptr, 0, 0})) g_keys.full = true;
}

void Pop() {
    g_keys.head = (g_keys.head + 1) % QUEUE_SIZE;
    --g_keys.count;
}

// Waits until the next key may start; a key late by more than a gap (the
// loop was busy) starts the count anew rather than catching up in a burst.
void Pace() {
    long long now = NowNs();
    if (now > g_keys.nextNs + STROKE_GAP_NS) g_keys.nextNs = now;
    timespec at{static_cast<time_t>(g_keys.nextNs / 1000000000), static_cast<long>(g_keys.nextNs % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) != 0) {
    }
    g_keys.nextNs += STROKE_GAP_NS;
}

// The characters of a burst are told together, a moment after the first.
constexpr long long GATHER_NS = 300000000;

bool TypeKeysym(uint32_t keysym) {
    if (keysym == 0) return false;
    int before = g_keys.count;
    g_keys.full = false;
    bool typed = LayoutKeysType(&KdeConnection().layout, keysym, LayoutSink{QueueKey, nullptr}, g_keys.unicodeInput);
    if (g_keys.full) {
        g_keys.count = before;
        return false;
    }
    if (g_keys.count > before) {
        g_keys.queue[(g_keys.head + g_keys.count - 1) % QUEUE_SIZE].ends = true;
        ++g_keys.waiting;
    }
    uint32_t codepoint = xkb_keysym_to_utf32(keysym);
    if (!typed && codepoint != 0 && MissingCharacterNote(codepoint)) {
        if (g_keys.schedule != nullptr)
            g_keys.tellAtNs = NowNs() + GATHER_NS;
        else
            MissingCharactersTell();
    }
    return typed;
}

bool TypeVirtualKey(WORD virtualKey) { return TypeKeysym(WaylandKeysymOfVirtualKey(virtualKey)); }

bool HasVirtualKey(WORD virtualKey) { return WaylandKeysymOfVirtualKey(virtualKey) != 0; }

// The layout's keysym for a character: the classic one where there is one.
// Controls have none and are never told as missing.
bool TypeCharacter(WCHAR character) {
    return WaylandKeysymOfCharacter(character) != 0 && TypeKeysym(xkb_utf32_to_keysym(character));
}

// Types from the head of the queue for one slice, a key's events together.
void Drain() {
    Keys& k = g_keys;
    KdeGlobals& g = KdeConnection();
    if (k.typing) return;
    k.typing = true;
    long long end = NowNs() + SLICE_NS;
    bool stroke = false;  // inside a key's events
    while (k.count > 0 && (stroke || k.schedule == nullptr || NowNs() < end)) {
        Entry entry = k.queue[k.head];
        if (entry.action != nullptr) {
            Pop();
            --k.waiting;
            KdeFlush();
            entry.action(entry.first, entry.second);
            continue;
        }
        if (!stroke) Pace();
        Pop();
        if (g.fakeInput != nullptr)
            org_kde_kwin_fake_input_keyboard_key(g.fakeInput, entry.key, entry.pressed ? KEY_PRESSED : KEY_RELEASED);
        stroke = !entry.ends;
        if (entry.ends) {
            --k.waiting;
            KdeFlush();
        }
    }
    k.typing = false;
    long long now = NowNs();
    if (k.tellAtNs != 0 && (k.count == 0 || k.schedule == nullptr) && now >= k.tellAtNs) {
        k.tellAtNs = 0;
        MissingCharactersTell();
    }
    if (k.schedule == nullptr) return;
    if (k.count > 0)
        k.schedule(0);
    else
        k.schedule(k.tellAtNs != 0 ? static_cast<int>((k.tellAtNs - now) / 1000000) + 1 : -1);
}

// The locks as KWin's key states tell them, where it does: the seat's
// keyboard tells them to the focused program only.
uint32_t LockedMods(const KdeGlobals& g) {
    uint32_t locked = g.layout.lockedMods;
    if (g.keyState == nullptr) {
        // An entry that authorises fake input alone: the keyboards' lights.
        LockLight light = CapsLockLight();
        return light == LockLight::NONE ? locked
                                        : LayoutKeysLock(&g.layout, locked, XKB_MOD_NAME_CAPS, light == LockLight::LIT);
    }
    locked = LayoutKeysLock(&g.layout, locked, XKB_MOD_NAME_CAPS, g.capsLock);
    return LayoutKeysLock(&g.layout, locked, XKB_MOD_NAME_NUM, g.numLock);
}

bool TargetExists(HWND target) {
    long long now = NowNs();
    if (target > 0 && target == g_keys.checkedTarget && now - g_keys.checkedAtNs < TARGET_CHECK_NS) return true;
    g_keys.checkedTarget = KdeWindowExists(target) ? target : 0;
    g_keys.checkedAtNs = now;
    return g_keys.checkedTarget != 0;
}

}  // namespace

void KdeKeysStart() {
    void (*schedule)(int) = g_keys.schedule;
    g_keys = Keys{};
    g_keys.schedule = schedule;
    g_keys.unicodeInput = UnicodeInputWanted();
    MissingCharactersReset();
    ResetKeyStrokes();
}

void KdeKeysStop() {
    // What waits is typed first: keys already read from the line are the user's.
    void (*schedule)(int) = g_keys.schedule;
    g_keys.schedule = nullptr;
    Drain();
    if (g_keys.tellAtNs != 0) MissingCharactersTell();
    KdeKeysStart();
    g_keys.schedule = schedule;
}

void KdeSetKeyTimer(void (*schedule)(int milliseconds)) { g_keys.schedule = schedule; }

void KdeTypeWaitingKeys() { Drain(); }

int KdeKeysWaiting() { return g_keys.waiting; }

void KdeAfterWaitingKeys(void (*action)(long, long), long first, long second) {
    if (g_keys.count == 0 || g_keys.typing || !Enqueue(Entry{0, 0, false, false, action, first, second})) {
        action(first, second);
        return;
    }
    ++g_keys.waiting;
    if (g_keys.schedule != nullptr) g_keys.schedule(0);
}

void KdeDropWaitingKeys(HWND kept) {
    Keys& k = g_keys;
    int count = 0, waiting = 0;
    for (int i = 0; i < k.count; ++i) {
        const Entry& entry = k.queue[(k.head + i) % QUEUE_SIZE];
        if (entry.action == nullptr && entry.target != kept) continue;
        if (entry.action != nullptr || entry.ends) ++waiting;
        k.queue[(k.head + count++) % QUEUE_SIZE] = entry;
    }
    k.count = count;
    k.waiting = waiting;
}

BOOL KdePostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM) {
    static const KeyStrokeTyper typer{TypeVirtualKey, HasVirtualKey, TypeCharacter};
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR) return FALSE;
    if (KdeConnection().fakeInput == nullptr || !TargetExists(target)) return FALSE;
    // The keymap, group and locks of now, should the user have changed them.
    KdeWaylandDispatch(0);
    KdeBusDispatch();
    KdeGlobals& g = KdeConnection();
    LayoutKeysSetState(&g.layout, LockedMods(g), g.group);
    g_keys.postingTarget = target;
    BOOL queued = TypeKeyMessage(typer, target, message, wParam);
    // With a loop, the keys of one turn are typed together right after it.
    if (g_keys.schedule != nullptr && !g_keys.typing)
        g_keys.schedule(0);
    else
        Drain();
    return queued;
}
