// Implements the messages, timers and message loop of platform/window.h with
// FLTK on X11: FLTK callbacks feed one queue that GetMessageW drains.
#include <FL/Fl.H>

#include "platform/fltk/window_internal.h"
#include "platform/x11/desktop.h"

namespace {

constexpr int kQueueSize = 256;
// While this many keys wait to be typed, timers hold back: the poll reads
// no more of the terminal until typing has caught up, so nothing is lost.
constexpr int kKeyBacklog = 1024;
constexpr int kMaxTimers = 8;

struct Timer {
    HWND window;
    UINT_PTR id;
    double seconds;
    bool running;
    bool queued;  // a WM_TIMER of this timer waits in the queue
};

MSG g_queue[kQueueSize];
int g_queueHead = 0;
int g_queueCount = 0;
bool g_quit = false;
int g_quitCode = 0;
Timer g_timers[kMaxTimers];

// While it is registered, FLTK's wait does not block: a timer callback that
// queued a message must not be followed by a sleep until the next event.
void KeepLoopAwake(void*) {}

bool IsKeyMessage(UINT message) { return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR; }

MSG PopMessage() {
    MSG m = g_queue[g_queueHead];
    g_queueHead = (g_queueHead + 1) % kQueueSize;
    --g_queueCount;
    return m;
}

Timer* FindTimer(HWND window, UINT_PTR id) {
    for (Timer& t : g_timers)
        if (t.running && t.window == window && t.id == id) return &t;
    return nullptr;
}

// Like the handheld, at most one WM_TIMER per timer waits in the queue.
void OnTimeout(void* data) {
    Timer* t = static_cast<Timer*>(data);
    if (!t->running) return;
    Fl::repeat_timeout(t->seconds, OnTimeout, t);
    if (!t->queued && X11KeysWaiting() < kKeyBacklog) t->queued = QueueMessage(t->window, WM_TIMER, t->id, 0);
}

void DropQueuedTimer(const Timer& t) {
    int kept = 0;
    for (int i = 0; i < g_queueCount; ++i) {
        MSG m = g_queue[(g_queueHead + i) % kQueueSize];
        if (m.message == WM_TIMER && m.hwnd == t.window && m.wParam == t.id) continue;
        g_queue[(g_queueHead + kept) % kQueueSize] = m;
        ++kept;
    }
    g_queueCount = kept;
}

void StopTimer(Timer& t) {
    Fl::remove_timeout(OnTimeout, &t);
    DropQueuedTimer(t);
    t.running = false;
    t.queued = false;
}

void MarkTimerTaken(const MSG& m) {
    if (m.message != WM_TIMER) return;
    if (Timer* t = FindTimer(m.hwnd, m.wParam)) t->queued = false;
}

void CloseInTurn(long window, long) { X11RequestClose(window); }

// Messages for windows of other clients: only key presses and close requests
// mean anything there; nothing is ever destroyed from outside. A close
// request waits for the keys posted before it.
BOOL PostToOtherWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsKeyMessage(message)) return X11PostKeyMessage(window, message, wParam, lParam);
    if (message == WM_CLOSE && X11WindowExists(window)) {
        X11AfterWaitingKeys(CloseInTurn, window, 0);
        return TRUE;
    }
    return FALSE;
}

void TypeWaitingKeys(void*) { X11TypeWaitingKeys(); }

void ScheduleWaitingKeys(int milliseconds) {
    Fl::remove_timeout(TypeWaitingKeys);
    if (milliseconds >= 0) Fl::add_timeout(milliseconds / 1000.0, TypeWaitingKeys);
}

}  // namespace

bool QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_queueCount >= kQueueSize) return false;
    g_queue[(g_queueHead + g_queueCount) % kQueueSize] = MSG{window, message, wParam, lParam};
    ++g_queueCount;
    if (!Fl::has_idle(KeepLoopAwake)) Fl::add_idle(KeepLoopAwake);
    return true;
}

void StopDialogTimers() {
    for (Timer& t : g_timers)
        if (t.running) StopTimer(t);
}

void ResetMessageLoop() {
    StopDialogTimers();
    g_queueHead = 0;
    g_queueCount = 0;
    g_quit = false;
    g_quitCode = 0;
    Fl::remove_idle(KeepLoopAwake);
    X11SetKeyTimer(nullptr);
    Fl::remove_timeout(TypeWaitingKeys);
}

void StartKeyTimer() { X11SetKeyTimer(ScheduleWaitingKeys); }

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool ours = IsDialog(window) || ControlFromHandle(window) != nullptr;
    if (!ours) return PostToOtherWindow(window, message, wParam, lParam);
    // Keys for the dialog are typed into its X window like into any other.
    if (IsKeyMessage(message)) return X11PostKeyMessage(g_dialog.hwnd, message, wParam, lParam);
    return QueueMessage(window, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (DialogControl* control = ControlFromHandle(window)) return ComboMessage(control, message, wParam, lParam);
    if (IsDialog(window)) {
        if (IsKeyMessage(message)) return X11PostKeyMessage(g_dialog.hwnd, message, wParam, lParam);
        return g_dialog.procedure(window, message, wParam, lParam);
    }
    PostToOtherWindow(window, message, wParam, lParam);
    return 0;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
    if (!IsDialog(window)) return 0;
    Timer* t = FindTimer(window, id);
    if (t != nullptr) StopTimer(*t);
    for (Timer& slot : g_timers) {
        if (slot.running) continue;
        slot = Timer{window, id, milliseconds / 1000.0, true, false};
        Fl::add_timeout(slot.seconds, OnTimeout, &slot);
        return id;
    }
    return 0;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    Timer* t = FindTimer(window, id);
    if (t == nullptr) return FALSE;
    StopTimer(*t);
    return TRUE;
}

BOOL GetMessageW(MSG* message, HWND, UINT, UINT) {
    for (;;) {
        if (g_queueCount > 0) {
            *message = PopMessage();
            MarkTimerTaken(*message);
            return TRUE;
        }
        if (g_quit) {
            g_quit = false;
            *message = MSG{0, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0};
            return FALSE;
        }
        // FLTK runs its callbacks here: input, the close box, timers.
        Fl::remove_idle(KeepLoopAwake);
        Fl::wait();
    }
}

// FLTK has already done the keyboard navigation (Tab, Return, space) while
// waiting, so what is left is to hand the dialog its messages.
BOOL IsDialogMessageW(HWND dialog, MSG* message) {
    if (!IsDialog(dialog)) return FALSE;
    if (message->hwnd == dialog) {
        g_dialog.procedure(dialog, message->message, message->wParam, message->lParam);
        return TRUE;
    }
    return ControlFromHandle(message->hwnd) != nullptr ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (IsDialog(message->hwnd)) return g_dialog.procedure(message->hwnd, message->message, message->wParam, message->lParam);
    return 0;
}

void PostQuitMessage(int exitCode) {
    g_quit = true;
    g_quitCode = exitCode;
}
