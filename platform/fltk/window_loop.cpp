// Implements the messages, timers and message loop of platform/window.h with
// FLTK on X11: FLTK callbacks feed one queue (message_queue.cpp) that
// GetMessageW drains; key messages and close requests for other windows go to
// the desktop.

#include <FL/Fl.H>

#include "platform/fltk/window_internal.h"
#include "platform/linux/desktop.h"

namespace {

bool IsKeyMessage(UINT message) { return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR; }

void CloseInTurn(long window, long) { DesktopRequestClose(window); }

// Messages for windows of other clients: only key presses and close requests
// mean anything there; nothing is ever destroyed from outside. A close
// request waits for the keys posted before it.
BOOL PostToOtherWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsKeyMessage(message)) return DesktopPostKeyMessage(window, message, wParam, lParam);
    if (message == WM_CLOSE && DesktopWindowExists(window)) {
        DesktopAfterWaitingKeys(CloseInTurn, window, 0);
        return TRUE;
    }
    return FALSE;
}

// What the procedure does for a timer keeps its place behind the keys posted
// before; what it does for anything else acts at once (window.cpp).
LRESULT Deliver(const MSG* message) {
    bool outer = g_dialog.handlingTimer;
    g_dialog.handlingTimer = message->message == WM_TIMER;
    LRESULT result = g_dialog.procedure(message->hwnd, message->message, message->wParam, message->lParam);
    g_dialog.handlingTimer = outer;
    return result;
}

void TypeWaitingKeys(void*) { DesktopTypeWaitingKeys(); }

void ScheduleWaitingKeys(int milliseconds) {
    Fl::remove_timeout(TypeWaitingKeys);
    if (milliseconds >= 0) Fl::add_timeout(milliseconds / 1000.0, TypeWaitingKeys);
}

}  // namespace

void StartKeyTimer() { DesktopSetKeyTimer(ScheduleWaitingKeys); }

void StopKeyTimer() {
    DesktopSetKeyTimer(nullptr);
    Fl::remove_timeout(TypeWaitingKeys);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool ours = IsDialog(window) || ControlFromHandle(window) != nullptr;
    if (!ours) return PostToOtherWindow(window, message, wParam, lParam);
    // Keys for the dialog are typed into it like into any other window.
    if (IsKeyMessage(message)) return DesktopPostKeyMessage(g_dialog.hwnd, message, wParam, lParam);
    return QueueMessage(window, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (DialogControl* control = ControlFromHandle(window)) return ComboMessage(control, message, wParam, lParam);
    if (IsDialog(window)) {
        if (IsKeyMessage(message)) return DesktopPostKeyMessage(g_dialog.hwnd, message, wParam, lParam);
        return g_dialog.procedure(window, message, wParam, lParam);
    }
    PostToOtherWindow(window, message, wParam, lParam);
    return 0;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
    return IsDialog(window) && StartDialogTimer(window, id, milliseconds) ? id : 0;
}

BOOL KillTimer(HWND window, UINT_PTR id) { return StopDialogTimer(window, id) ? TRUE : FALSE; }

BOOL GetMessageW(MSG* message, HWND, UINT, UINT) {
    for (;;) {
        if (TakeQueuedMessage(message)) return TRUE;
        int exitCode = 0;
        if (TakeQuit(&exitCode)) {
            *message = MSG{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0};
            return FALSE;
        }
        // FLTK runs its callbacks here: input, the close box, timers.
        SleepUntilNextEvent();
    }
}

// FLTK has already done the keyboard navigation (Tab, Return, space) while
// waiting, so what is left is to hand the dialog its messages.
BOOL IsDialogMessageW(HWND dialog, MSG* message) {
    if (!IsDialog(dialog)) return FALSE;
    if (message->hwnd == dialog) {
        Deliver(message);
        return TRUE;
    }
    return ControlFromHandle(message->hwnd) != nullptr ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* message) { return IsDialog(message->hwnd) ? Deliver(message) : 0; }

void PostQuitMessage(int exitCode) { QueueQuit(exitCode); }
