// Implements platform/window.h with FLTK on X11: showing, placing and
// activating windows. The dialog is FLTK's; every other window is handed
// to the desktop (platform/linux/desktop.h).
// Fl_X (the activation request) is among FLTK's internals.
#define FL_INTERNALS
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <chrono>
#include <cstdio>

#include "platform/fltk/window_internal.h"
#include "platform/linux/desktop.h"
#include "platform/linux/started_program.h"

namespace {

// The window manager applies an activation when it gets to it, seconds late
// when it is busy (openbox reloads its keyboard at every keymap change). Until
// it reports that done, or reports any window active other than the one active
// when we asked (the user chose another), the window asked for is the
// foreground: else PF1 pressed twice would show the dialog twice instead of
// showing and hiding. A desktop that never reports is bounded by time.
struct PendingActivation {
    HWND window = 0;
    HWND before = 0;
    std::chrono::steady_clock::time_point until;
};
constexpr std::chrono::seconds kActivationWait{3};

// The focus the dialog gets this soon after we showed or activated it is
// taken as ours, not the user's.
constexpr std::chrono::seconds kOwnFocusWait{1};

struct WindowServiceState {
    bool desktopTried = false;
    bool desktopOpen = false;
    PendingActivation pending;
    std::chrono::steady_clock::time_point dialogActivated;
};
WindowServiceState g_windows;

void HandleDesktopEvents(FL_SOCKET fd, void*) {
    if (!DesktopHandleEvents()) Fl::remove_fd(fd);
}

// Events another call took in wait in memory, where the descriptor shows nothing.
void HandleTakenDesktopEvents(void*) { DesktopHandleEvents(); }

void EndPendingActivation(HWND active) {
    if (active != 0 && active != g_windows.pending.before) g_windows.pending.window = 0;
}

// The desktop service keeps its own connection, opened on first use (a
// second copy needs it before it has any window of its own).
bool DesktopReady() {
    if (!g_windows.desktopTried) {
        g_windows.desktopTried = true;
        g_windows.desktopOpen = DesktopOpen();
        if (g_windows.desktopOpen) DesktopWatchActiveWindow(EndPendingActivation);
        if (g_windows.desktopOpen && DesktopEventFd() >= 0) {
            Fl::add_fd(DesktopEventFd(), FL_READ, HandleDesktopEvents);
            Fl::add_check(HandleTakenDesktopEvents);
        }
    }
    return g_windows.desktopOpen;
}

// A change of where keys go asked while the procedure handles a timer's
// message (the poll of the terminal) waits for the keys posted before it;
// asked for the user's own input to the dialog, it acts at once.
void InTurn(void (*action)(long, long), long first, long second) {
    if (g_dialog.handlingTimer)
        DesktopAfterWaitingKeys(action, first, second);
    else
        action(first, second);
}

long WmState(Window xid) {
    Atom wmState = XInternAtom(fl_display, "WM_STATE", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(fl_display, xid, wmState, 0, 1, False, wmState, &type, &format, &count, &after, &data);
    long state = count > 0 && format == 32 ? reinterpret_cast<long*>(data)[0] : WithdrawnState;
    if (data != nullptr) XFree(data);
    return state;
}

// Another program may map the dialog (a second copy showing the first) and
// the window manager may iconify it; a reparenting unmap changes neither.
int FollowDialogState(void* event, void*) {
    const XEvent* e = static_cast<const XEvent*>(event);
    if (g_dialog.window == nullptr || e->xany.window != static_cast<Window>(g_dialog.hwnd)) return 0;
    if (e->type == MapNotify) g_dialog.shown = true;
    // The user clicked into the dialog, or gave it the focus through the
    // window manager: keys still waiting for the window that had the focus
    // go, rather than wait for it or reach the dialog. A window manager may
    // give the focus while it holds the keyboard (Alt+Tab).
    bool usersFocus = e->type == FocusIn && (e->xfocus.mode == NotifyNormal || e->xfocus.mode == NotifyWhileGrabbed) &&
                      e->xfocus.detail != NotifyPointer && g_dialog.shown &&
                      std::chrono::steady_clock::now() - g_windows.dialogActivated > kOwnFocusWait;
    if ((e->type == ButtonPress || usersFocus) && DesktopReady()) DesktopDropWaitingKeys(g_dialog.hwnd);
    if (e->type == PropertyNotify && e->xproperty.atom == XInternAtom(fl_display, "WM_STATE", False))
        g_dialog.shown = WmState(static_cast<Window>(g_dialog.hwnd)) == NormalState;
    return 0;
}

void ActivateDialog() {
    g_windows.dialogActivated = std::chrono::steady_clock::now();
    Window xid = fl_xid(g_dialog.window);
    XRaiseWindow(fl_display, xid);
    Fl_X::activate_window(xid);
    XFlush(fl_display);
    if (DesktopReady()) DesktopActivateDialog(static_cast<HWND>(xid));
}

// Maps (FLTK raises it too) and activates; FLTK's own state follows at once.
void ShowDialog() {
    g_dialog.shown = true;
    g_dialog.window->show();
    g_dialog.window->Fl_Widget::show();
    ActivateDialog();
}

// Withdrawn rather than only unmapped, so that the window manager lets go of
// it; the X window and its title stay, so a second copy still finds it.
void HideDialog() {
    g_dialog.shown = false;
    XWithdrawWindow(fl_display, fl_xid(g_dialog.window), fl_screen);
    g_dialog.window->Fl_Widget::hide();
    XFlush(fl_display);
}

// Window rectangles include the window manager's frame, whose left, right
// and bottom edges are alike; the rest of its height is the title bar.
struct Frame {
    int left, top, extraW, extraH;
};

Frame DialogFrame() {
    Fl_Window* w = g_dialog.window;
    if (!w->shown()) return Frame{0, 0, 0, 0};
    int extraW = w->decorated_w() - w->w();
    int extraH = w->decorated_h() - w->h();
    return Frame{extraW / 2, extraH - extraW / 2, extraW, extraH};
}

}  // namespace

void WatchDialogState() {
    Window xid = static_cast<Window>(g_dialog.hwnd);
    XWindowAttributes attributes{};
    XGetWindowAttributes(fl_display, xid, &attributes);
    XSelectInput(fl_display, xid, attributes.your_event_mask | PropertyChangeMask | StructureNotifyMask);
    Fl::add_system_handler(FollowDialogState, nullptr);
}

void StopWatchingDialogState() { Fl::remove_system_handler(FollowDialogState); }

// Showing, hiding and activating change where typed keys go: keys posted
// before are typed first.
void ShowInTurn(long window, long showCommand) {
    if (IsDialog(window)) {
        if (showCommand == SW_HIDE)
            HideDialog();
        else
            ShowDialog();
    } else if (showCommand == SW_HIDE) {
        DesktopHide(window);
    } else {
        DesktopShowAndActivate(window);
    }
}

void ActivateInTurn(long window, long) {
    if (IsDialog(window))
        ActivateDialog();
    else
        DesktopActivate(window);
}

BOOL ShowWindow(HWND window, int showCommand) {
    if (DialogControl* control = ControlFromHandle(window)) {
        BOOL was = control->widget->visible() ? TRUE : FALSE;
        if (showCommand == SW_HIDE)
            control->widget->hide();
        else
            control->widget->show();
        return was;
    }
    if (showCommand == SW_HIDE && window == g_windows.pending.window) g_windows.pending.window = 0;
    if (IsDialog(window)) {
        BOOL was = g_dialog.shown ? TRUE : FALSE;
        InTurn(ShowInTurn, window, showCommand);
        return was;
    }
    if (window == 0 || !DesktopReady()) return FALSE;
    InTurn(ShowInTurn, window, showCommand);
    return FALSE;
}

BOOL IsWindowVisible(HWND window) {
    if (DialogControl* control = ControlFromHandle(window))
        return control->widget->visible() && g_dialog.shown ? TRUE : FALSE;
    if (IsDialog(window)) return g_dialog.shown ? TRUE : FALSE;
    return FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    DialogControl* control = ControlFromHandle(window);
    if (control == nullptr) return FALSE;
    BOOL wasDisabled = control->widget->active() ? FALSE : TRUE;
    if (enable)
        control->widget->activate();
    else
        control->widget->deactivate();
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
    if (DialogControl* control = ControlFromHandle(window)) return control->widget->active() ? TRUE : FALSE;
    if (IsDialog(window)) return TRUE;
    return DesktopReady() && DesktopWindowExists(window) ? TRUE : FALSE;
}

HWND GetForegroundWindow() {
    if (!DesktopReady()) return 0;
    // Reports still unread first: one read now would end the activation
    // with the answer below already out of date.
    DesktopHandleEvents();
    HWND active = DesktopActiveWindow();
    if (g_windows.pending.window != 0 && active != g_windows.pending.window &&
        std::chrono::steady_clock::now() < g_windows.pending.until)
        return g_windows.pending.window;
    g_windows.pending.window = 0;
    return active;
}

BOOL SetForegroundWindow(HWND window) {
    if (!IsDialog(window) && (window == 0 || !DesktopReady())) return FALSE;
    HWND before = DesktopReady() ? DesktopActiveWindow() : 0;
    bool ok = true;
    if (IsDialog(window))
        InTurn(ActivateInTurn, window, 0);
    else if (DesktopKeysWaiting() == 0 || !g_dialog.handlingTimer)
        ok = DesktopActivate(window);
    else
        ok = (DesktopAfterWaitingKeys(ActivateInTurn, window, 0), DesktopWindowExists(window));
    if (ok) g_windows.pending = {window, before, std::chrono::steady_clock::now() + kActivationWait};
    return ok ? TRUE : FALSE;
}

HWND GetForegroundKeyboardTarget() { return DesktopReady() ? DesktopKeyboardTarget() : -1; }

HWND FindWindowW(const WCHAR* className, const WCHAR* title) {
    if (!DesktopReady()) return 0;
    // The window of a handheld program that a started desktop program stands
    // for exists while that program runs; the root window stands for it.
    if (StartedProgramRunsFor(className)) return DesktopRootWindow();
    return DesktopFindTopLevel(className, title);
}

int GetSystemMetrics(int index) {
    if (index != SM_CXSCREEN || fl_display == nullptr) return 0;
    return Fl::w();
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!IsDialog(window) || rect == nullptr) return FALSE;
    Fl_Window* w = g_dialog.window;
    Frame f = DialogFrame();
    int left = w->x() - f.left;
    int top = w->y() - f.top;
    *rect = RECT{left, top, left + w->w() + f.extraW, top + w->h() + f.extraH};
    return TRUE;
}

// FLTK asks for static gravity: the position it requests is the client's.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!IsDialog(window)) return FALSE;
    Fl_Window* w = g_dialog.window;
    Frame f = DialogFrame();
    int width = cx - f.extraW > 0 ? cx - f.extraW : w->w();
    int height = cy - f.extraH > 0 ? cy - f.extraH : w->h();
    w->resize(x + f.left, y + f.top, width, height);
    if (flags & SWP_SHOWWINDOW)
        ShowDialog();
    else if (insertAfter == HWND_TOP && g_dialog.shown)
        ActivateDialog();
    return TRUE;
}

int MessageBoxW(HWND, const WCHAR* text, const WCHAR* caption, UINT) {
    char utf8Text[kMaxUtf8];
    char utf8Caption[kMaxUtf8];
    Utf16ToUtf8(utf8Text, kMaxUtf8, text);
    Utf16ToUtf8(utf8Caption, kMaxUtf8, caption);
    std::fprintf(stderr, "%s: %s\n", utf8Caption, utf8Text);
    if (fl_display != nullptr) fl_alert("%s", utf8Text);
    return 1;
}
