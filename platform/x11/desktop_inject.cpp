// Implements X11PostKeyMessage and the waiting keys of platform/x11/desktop.h:
// key and character messages typed through XTest, by the rules of
// platform/common/key_strokes.h. Every message becomes keysyms in one queue;
// a keysym the layout lacks is typed through a spare keycode, and when no
// spare may be rebound yet the queue waits for the loop's timer instead of
// holding the loop.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <time.h>

#include "platform/common/key_strokes.h"
#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "platform/x11/desktop_keyboard.h"

namespace {

// Clients read the keymap only when they handle a key event after a
// MappingNotify, so a spare level rebound before the client got to its last
// stroke types the new keysym. Measured with xterm: characters changed at up
// to 100 ms with the machine busy; with two sessions on a machine at load 15,
// 250 ms still changed some. 500 ms leaves a margin.
constexpr int DEFAULT_REBIND_DELAY_MS = 500;
constexpr int MAX_SPARE_KEYCODES = 32;
constexpr int LEVELS = 4;
// Spare keycodes idle this long go back to no symbol.
constexpr long long RESTORE_AFTER_US = 2000000;
// The target checked this recently is taken as still there: a burst of
// messages to one target costs one round trip, not one per character.
constexpr long long TARGET_CHECK_US = 20000;
// A paste far faster than typing waits in the queue; the loop's reading
// holds back long before it is full (X11KeysWaiting).
constexpr int QUEUE_SIZE = 8192;
// Strokes typed per turn of the loop, so that a long queue cannot hold it.
constexpr int BATCH = 256;
// Keys whose window has lost the focus to another wait this long for it to
// come back before they are dropped: the window manager applies a focus
// change when it gets to it, so the dialog shown and hidden again within one
// tick (PF1 twice) can hold the focus for a moment after it was withdrawn.
constexpr long long FOCUS_WAIT_US = 3000000;
constexpr long long FOCUS_POLL_US = 20000;

struct Slot {
    KeySym keysym;
    long long lastUseUs;
};

struct Spare {
    KeyCode code;
    Slot level[LEVELS];
};

// A keysym to type for a target (with an older keysym the layout may carry
// instead), or an action to run in its turn.
struct Entry {
    HWND target;
    KeySym keysym;
    KeySym alternative;
    void (*action)(long, long);
    long first, second;
    long long queuedUs;
};

struct Injector {
    Spare spares[MAX_SPARE_KEYCODES];
    int spareCount;
    int spareLimit = MAX_SPARE_KEYCODES;
    long long rebindDelayUs = DEFAULT_REBIND_DELAY_MS * 1000LL;
    Entry queue[QUEUE_SIZE];
    int head, count;
    bool typing;
    bool waitingForLevel;  // the head waits for a spare level to rest
    bool waitingForFocus;  // the head waits for its window to get the focus back
    void (*schedule)(int milliseconds);
    HWND checkedTarget;
    long long checkedAtUs;
    HWND postedTo, postingTarget;  // the last target and its top-level window
    Display* xtestChecked;         // the display last asked for XTest, and its answer
    bool xtestAvailable;
};
Injector g_injector{};

long long NowUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

Spare* SpareOf(int keycode) {
    for (int i = 0; i < g_injector.spareCount; ++i)
        if (g_injector.spares[i].code == keycode) return &g_injector.spares[i];
    return nullptr;
}

bool IsSpare(int keycode) { return SpareOf(keycode) != nullptr; }

void LevelsOf(const Spare& spare, KeySym levels[LEVELS]) {
    for (int level = 0; level < LEVELS; ++level)
        levels[level] = spare.level[level].keysym;
}

// Keeps the spares that still hold what we bound (or nothing), with their
// times, and tops the set up with unused keycodes.
void RebuildSpares() {
    Injector& in = g_injector;
    const KeySym none[LEVELS] = {};
    int kept = 0;
    for (int i = 0; i < in.spareCount && kept < in.spareLimit; ++i) {
        Spare spare = in.spares[i];
        KeySym levels[LEVELS];
        LevelsOf(spare, levels);
        if (X11KeyboardKeyHolds(spare.code, levels)) {
            in.spares[kept++] = spare;
        } else if (X11KeyboardKeyHolds(spare.code, none)) {
            for (Slot& slot : spare.level)
                slot.keysym = NoSymbol;
            in.spares[kept++] = spare;
        }
    }
    in.spareCount = kept;
    int unused[MAX_SPARE_KEYCODES];
    int found = X11KeyboardUnusedKeycodes(unused, MAX_SPARE_KEYCODES);
    for (int i = 0; i < found && in.spareCount < in.spareLimit; ++i)
        if (!SpareOf(unused[i])) in.spares[in.spareCount++] = Spare{static_cast<KeyCode>(unused[i]), {}};
}

int IndexOf(const Spare* spare) { return static_cast<int>(spare - g_injector.spares); }

void BindChanged(Display* display, const bool* changed) {
    int keycodes[MAX_SPARE_KEYCODES];
    KeySym levels[MAX_SPARE_KEYCODES][LEVELS];
    int count = 0;
    for (int i = 0; i < g_injector.spareCount; ++i) {
        if (!changed[i]) continue;
        keycodes[count] = g_injector.spares[i].code;
        LevelsOf(g_injector.spares[i], levels[count++]);
    }
    if (count > 0) X11KeyboardBindKeys(display, keycodes, levels, count);
}

// The level holding `keysym`, or nullptr.
Slot* BoundSlot(KeySym keysym, int levels, Spare** owner, int* level) {
    for (int i = 0; i < g_injector.spareCount; ++i)
        for (int l = 0; l < levels; ++l)
            if (g_injector.spares[i].level[l].keysym == keysym) {
                *owner = &g_injector.spares[i];
                *level = l;
                return &g_injector.spares[i].level[l];
            }
    return nullptr;
}

// A level that may be rebound now: empty first, then the longest unused.
Slot* RestedSlot(long long now, int levels, Spare** owner, int* level) {
    Slot* chosen = nullptr;
    for (int i = 0; i < g_injector.spareCount; ++i)
        for (int l = 0; l < levels; ++l) {
            Slot* slot = &g_injector.spares[i].level[l];
            if (now - slot->lastUseUs < g_injector.rebindDelayUs) continue;
            bool better =
                !chosen || (chosen->keysym != NoSymbol && slot->keysym == NoSymbol) ||
                ((chosen->keysym == NoSymbol) == (slot->keysym == NoSymbol) && slot->lastUseUs < chosen->lastUseUs);
            if (better) {
                chosen = slot;
                *owner = &g_injector.spares[i];
                *level = l;
            }
        }
    return chosen;
}

// Spares whose levels all rested this long go back to no symbol.
void RestoreIdleSpares(Display* display, long long now, long long idleUs) {
    Injector& in = g_injector;
    bool changed[MAX_SPARE_KEYCODES] = {};
    bool any = false;
    for (int i = 0; i < in.spareCount; ++i) {
        bool bound = false, idle = true;
        for (const Slot& slot : in.spares[i].level) {
            bound = bound || slot.keysym != NoSymbol;
            idle = idle && now - slot.lastUseUs >= idleUs;
        }
        if (!bound || !idle) continue;
        for (Slot& slot : in.spares[i].level)
            slot.keysym = NoSymbol;
        changed[i] = any = true;
    }
    if (any) BindChanged(display, changed);
}

// When the queue can go on (a level rests) or idle spares go back; -1: never.
// When the queue can go on (at once, or when a level has rested) or an idle
// spare goes back; -1: never.
int NextWorkMs(long long now) {
    Injector& in = g_injector;
    if (in.count > 0 && !in.waitingForLevel && !in.waitingForFocus) return 0;
    long long due = -1;
    auto earliest = [&due](long long at) {
        if (due < 0 || at < due) due = at;
    };
    if (in.count > 0 && in.waitingForFocus) earliest(now + FOCUS_POLL_US);
    int levels = X11KeyboardLevels();
    for (int i = 0; i < in.spareCount; ++i) {
        long long lastBound = -1;
        for (int l = 0; l < LEVELS; ++l) {
            const Slot& slot = in.spares[i].level[l];
            if (in.count > 0 && l < levels) earliest(slot.lastUseUs + in.rebindDelayUs);
            if (slot.keysym != NoSymbol && slot.lastUseUs > lastBound) lastBound = slot.lastUseUs;
        }
        if (lastBound >= 0) earliest(lastBound + RESTORE_AFTER_US);
    }
    if (due < 0) return in.count > 0 ? 0 : -1;
    long long ms = (due - now + 999) / 1000;
    return ms < 1 ? 1 : static_cast<int>(ms);
}

void Schedule(long long now) {
    if (g_injector.schedule) g_injector.schedule(NextWorkMs(now));
}

void Pop() {
    g_injector.head = (g_injector.head + 1) % QUEUE_SIZE;
    --g_injector.count;
}

Entry& At(int i) { return g_injector.queue[(g_injector.head + i) % QUEUE_SIZE]; }

// Plans the strokes from the head of the queue up to the first keysym that
// must wait for a level, binds the levels the plan needs in as few
// requests as the keycodes allow, then types the plan.
void TypeQueue(Display* display) {
    Injector& in = g_injector;
    if (!X11KeyboardUpdate(display) || !X11KeyboardReadState(display)) {
        // No keyboard to type with: the keys go, the actions still run.
        while (in.count > 0) {
            Entry entry = At(0);
            Pop();
            if (entry.action) entry.action(entry.first, entry.second);
        }
        return;
    }
    if (X11KeyboardChanged()) RebuildSpares();
    long long now = NowUs();
    RestoreIdleSpares(display, now, RESTORE_AFTER_US);
    int levels = X11KeyboardLevels();
    // Keys go to the focus: those for a top-level window that has lost it
    // to another wait for it (FOCUS_WAIT_US), then are dropped rather than
    // typed into that one. When either is unknown (a window gone mid-query),
    // they are typed.
    HWND focus = X11TopLevelOf(X11KeyboardTarget());
    KeyStrokePlan plans[BATCH];
    bool changed[MAX_SPARE_KEYCODES] = {};
    int planned = 0;
    in.waitingForLevel = in.waitingForFocus = false;
    for (; planned < in.count && planned < BATCH; ++planned) {
        Entry& entry = At(planned);
        KeyStrokePlan& plan = plans[planned];
        plan.keycode = 0;
        if (entry.action) continue;
        if (focus > 0 && entry.target > 0 && entry.target != focus) {
            in.waitingForFocus = now - entry.queuedUs < FOCUS_WAIT_US;
            if (in.waitingForFocus) break;
            continue;
        }
        if (X11KeyboardFind(entry.keysym, IsSpare, &plan) ||
            (entry.alternative != NoSymbol && X11KeyboardFind(entry.alternative, IsSpare, &plan)))
            continue;
        Spare* spare = nullptr;
        int level = 0;
        Slot* slot = BoundSlot(entry.keysym, levels, &spare, &level);
        if (!slot) {
            slot = RestedSlot(now, levels, &spare, &level);
            in.waitingForLevel = slot == nullptr;
            if (!slot) break;
            slot->keysym = entry.keysym;
            changed[IndexOf(spare)] = true;
        }
        slot->lastUseUs = now;
        plan = KeyStrokePlan{spare->code, X11KeyboardLevelMods(level), X11KeyboardSpareClearMods()};
    }
    BindChanged(display, changed);
    for (int i = 0; i < planned; ++i) {
        Entry entry = At(0);
        Pop();
        if (!entry.action) {
            if (plans[i].keycode) X11KeyboardStroke(display, plans[i]);
            continue;
        }
        // The action may use another connection: what was typed goes first.
        X11KeyboardRestoreLocks(display);
        XSync(display, False);
        entry.action(entry.first, entry.second);
    }
    X11KeyboardRestoreLocks(display);
    XFlush(display);
}

void Drain() {
    Injector& in = g_injector;
    Display* display = X11DesktopDisplay();
    if (in.typing || !display) return;
    in.typing = true;
    TypeQueue(display);
    in.typing = false;
    Schedule(NowUs());
}

bool Enqueue(const Entry& entry) {
    Injector& in = g_injector;
    if (in.count >= QUEUE_SIZE) return false;
    in.queue[(in.head + in.count) % QUEUE_SIZE] = entry;
    in.queue[(in.head + in.count) % QUEUE_SIZE].queuedUs = NowUs();
    ++in.count;
    return true;
}

bool TypeableNow(KeySym keysym) {
    KeyStrokePlan plan{};
    return g_injector.spareCount > 0 || X11KeyboardFind(keysym, IsSpare, &plan);
}

bool QueueKeysym(KeySym keysym, KeySym alternative) {
    if (keysym == NoSymbol || !TypeableNow(keysym)) return false;
    return Enqueue(Entry{g_injector.postingTarget, keysym, alternative, nullptr, 0, 0, 0});
}

bool QueueVirtualKey(WORD virtualKey) { return QueueKeysym(X11KeysymOfVirtualKey(virtualKey), NoSymbol); }

bool HasVirtualKey(WORD virtualKey) { return X11KeysymOfVirtualKey(virtualKey) != NoSymbol; }

bool QueueCharacter(WCHAR character) {
    return QueueKeysym(X11KeysymOfCharacter(character), X11LegacyKeysymOfCharacter(character));
}

bool XTestAvailable(Display* display) {
    Injector& in = g_injector;
    if (in.xtestChecked != display) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        in.xtestAvailable = XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
        in.xtestChecked = display;
    }
    return in.xtestAvailable;
}

bool TargetExists(HWND target) {
    Injector& in = g_injector;
    long long now = NowUs();
    if (target > 0 && target == in.checkedTarget && now - in.checkedAtUs < TARGET_CHECK_US) return true;
    in.checkedTarget = X11WindowExists(target) ? target : 0;
    in.checkedAtUs = now;
    return in.checkedTarget != 0;
}

}  // namespace

void X11SetSpareKeycodeTuning(int limit, int rebindDelayMs) {
    g_injector.spareLimit = limit < 1 ? 1 : limit > MAX_SPARE_KEYCODES ? MAX_SPARE_KEYCODES : limit;
    g_injector.rebindDelayUs = rebindDelayMs * 1000LL;
    X11KeyboardForget();
}

void X11SetKeyTimer(void (*schedule)(int milliseconds)) { g_injector.schedule = schedule; }

void X11TypeWaitingKeys() { Drain(); }

int X11KeysWaiting() { return g_injector.count; }

void X11AfterWaitingKeys(void (*action)(long, long), long first, long second) {
    // Run now when nothing waits, or when called from an action in its turn.
    if (g_injector.count == 0 || g_injector.typing ||
        !Enqueue(Entry{0, NoSymbol, NoSymbol, action, first, second, 0})) {
        action(first, second);
        return;
    }
    Schedule(NowUs());
}

void X11DropWaitingKeys(HWND kept) {
    Injector& in = g_injector;
    // Called from an action in its turn, the batch being typed holds places.
    if (in.typing) return;
    HWND keptTop = X11TopLevelOf(kept);
    int count = 0;
    for (int i = 0; i < in.count; ++i) {
        const Entry& entry = At(i);
        if (!entry.action && entry.target > 0 && entry.target != keptTop) continue;
        in.queue[(in.head + count++) % QUEUE_SIZE] = entry;
    }
    in.count = count;
    in.waitingForLevel = in.waitingForFocus = false;
    Schedule(NowUs());
}

void X11ReleaseSpareKeycodes() {
    Injector& in = g_injector;
    Display* display = X11DesktopDisplay();
    if (display) {
        // What waits is typed before the connection goes; a client may still
        // be reading the last strokes when the spares go back.
        for (long long deadline = NowUs() + 30000000; in.count > 0 && NowUs() < deadline;) {
            Drain();
            timespec pause{0, 10000000};
            nanosleep(&pause, nullptr);
        }
        long long lastUse = 0;
        for (int i = 0; i < in.spareCount; ++i)
            for (const Slot& slot : in.spares[i].level)
                if (slot.keysym != NoSymbol && slot.lastUseUs > lastUse) lastUse = slot.lastUseUs;
        long long wait = lastUse + in.rebindDelayUs - NowUs();
        if (wait > 0) {
            timespec pause{static_cast<time_t>(wait / 1000000), static_cast<long>((wait % 1000000) * 1000)};
            while (nanosleep(&pause, &pause) != 0) {
            }
        }
        RestoreIdleSpares(display, NowUs(), 0);
        XSync(display, False);
    }
    in.spareCount = 0;
    in.head = in.count = 0;
    in.checkedTarget = 0;
    in.postedTo = in.postingTarget = 0;
    X11KeyboardForget();
    ResetKeyStrokes();
}

BOOL X11PostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM) {
    static const KeyStrokeTyper typer{QueueVirtualKey, HasVirtualKey, QueueCharacter};
    if (message != WM_KEYDOWN && message != WM_KEYUP && message != WM_CHAR) return FALSE;
    Display* display = X11DesktopDisplay();
    if (!display || !XTestAvailable(display) || !TargetExists(target)) return FALSE;
    // What can be typed is judged against the keymap of now.
    if (!g_injector.typing) {
        if (!X11KeyboardUpdate(display)) return FALSE;
        if (X11KeyboardChanged()) RebuildSpares();
    }
    if (target != g_injector.postedTo) {
        g_injector.postedTo = target;
        g_injector.postingTarget = X11TopLevelOf(target);
    }
    BOOL queued = TypeKeyMessage(typer, target, message, wParam);
    // With a loop, the keys of one turn are typed together right after it.
    if (g_injector.schedule && !g_injector.typing)
        g_injector.schedule(0);
    else
        Drain();
    return queued;
}
