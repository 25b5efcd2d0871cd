// Implements the message queue and timers of window_internal.h: the dialog's
// messages wait here until GetMessageW takes them. It calls nothing else of
// the window service, so every part above may use it.
#include <FL/Fl.H>

#include "platform/fltk/window_internal.h"
#include "platform/linux/desktop.h"

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

struct MessageQueueState {
    MSG messages[kQueueSize];
    int head;
    int count;
    bool quit;
    int quitCode;
    Timer timers[kMaxTimers];
};
MessageQueueState g_queue{};

// While it is registered, FLTK's wait does not block: a timer callback that
// queued a message must not be followed by a sleep until the next event.
void KeepLoopAwake(void*) {}

Timer* FindTimer(HWND window, UINT_PTR id) {
    for (Timer& t : g_queue.timers)
        if (t.running && t.window == window && t.id == id) return &t;
    return nullptr;
}

// Like the handheld, at most one WM_TIMER per timer waits in the queue.
void OnTimeout(void* data) {
    Timer* t = static_cast<Timer*>(data);
    if (!t->running) return;
    Fl::repeat_timeout(t->seconds, OnTimeout, t);
    if (!t->queued && DesktopKeysWaiting() < kKeyBacklog) t->queued = QueueMessage(t->window, WM_TIMER, t->id, 0);
}

void DropQueuedTimer(const Timer& t) {
    int kept = 0;
    for (int i = 0; i < g_queue.count; ++i) {
        MSG m = g_queue.messages[(g_queue.head + i) % kQueueSize];
        if (m.message == WM_TIMER && m.hwnd == t.window && m.wParam == t.id) continue;
        g_queue.messages[(g_queue.head + kept) % kQueueSize] = m;
        ++kept;
    }
    g_queue.count = kept;
}

void StopTimer(Timer& t) {
    Fl::remove_timeout(OnTimeout, &t);
    DropQueuedTimer(t);
    t.running = false;
    t.queued = false;
}

}  // namespace

bool QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_queue.count >= kQueueSize) return false;
    g_queue.messages[(g_queue.head + g_queue.count) % kQueueSize] = MSG{window, message, wParam, lParam};
    ++g_queue.count;
    if (!Fl::has_idle(KeepLoopAwake)) Fl::add_idle(KeepLoopAwake);
    return true;
}

bool TakeQueuedMessage(MSG* message) {
    if (g_queue.count == 0) return false;
    *message = g_queue.messages[g_queue.head];
    g_queue.head = (g_queue.head + 1) % kQueueSize;
    --g_queue.count;
    if (message->message == WM_TIMER)
        if (Timer* t = FindTimer(message->hwnd, message->wParam)) t->queued = false;
    return true;
}

void QueueQuit(int exitCode) {
    g_queue.quit = true;
    g_queue.quitCode = exitCode;
}

bool TakeQuit(int* exitCode) {
    if (!g_queue.quit) return false;
    g_queue.quit = false;
    *exitCode = g_queue.quitCode;
    return true;
}

void SleepUntilNextEvent() {
    Fl::remove_idle(KeepLoopAwake);
    Fl::wait();
}

bool StartDialogTimer(HWND window, UINT_PTR id, UINT milliseconds) {
    if (Timer* t = FindTimer(window, id)) StopTimer(*t);
    for (Timer& slot : g_queue.timers) {
        if (slot.running) continue;
        slot = Timer{window, id, milliseconds / 1000.0, true, false};
        Fl::add_timeout(slot.seconds, OnTimeout, &slot);
        return true;
    }
    return false;
}

bool StopDialogTimer(HWND window, UINT_PTR id) {
    Timer* t = FindTimer(window, id);
    if (t == nullptr) return false;
    StopTimer(*t);
    return true;
}

void StopDialogTimers() {
    for (Timer& t : g_queue.timers)
        if (t.running) StopTimer(t);
}

void ResetMessageLoop() {
    StopDialogTimers();
    g_queue.head = 0;
    g_queue.count = 0;
    g_queue.quit = false;
    g_queue.quitCode = 0;
    Fl::remove_idle(KeepLoopAwake);
}
