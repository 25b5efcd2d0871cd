// Implements platform/window.h with FLTK on X11: showing, placing and
// activating windows. The dialog is FLTK's; every other window is handed
// to x11_desktop.h.
// Fl_X (the activation request) is among FLTK's internals.
#define FL_INTERNALS
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include <cstdio>

#include "platform/x11/window_internal.h"
#include "platform/x11/x11_desktop.h"

namespace {

// The desktop service keeps its own display connection, opened on first use
// (a second copy needs it before it has any window of its own).
bool DesktopReady() {
    static bool tried = false;
    static bool open = false;
    if (!tried) {
        tried = true;
        open = X11DesktopOpen(nullptr);
    }
    return open;
}

void ActivateDialog() {
    Window xid = fl_xid(g_dialog.window);
    XRaiseWindow(fl_display, xid);
    Fl_X::activate_window(xid);
    XFlush(fl_display);
}

// Maps (FLTK raises it too) and activates; FLTK's own state follows at once.
void ShowDialog() {
    g_dialog.window->show();
    g_dialog.window->Fl_Widget::show();
    ActivateDialog();
}

// Withdrawn rather than only unmapped, so that the window manager lets go of
// it; the X window and its title stay, so a second copy still finds it.
void HideDialog() {
    XWithdrawWindow(fl_display, fl_xid(g_dialog.window), fl_screen);
    g_dialog.window->Fl_Widget::hide();
    XFlush(fl_display);
}

// Window rectangles include the window manager's frame.
void FrameSize(int* extraW, int* extraH) {
    Fl_Window* w = g_dialog.window;
    *extraW = w->visible() ? w->decorated_w() - w->w() : 0;
    *extraH = w->visible() ? w->decorated_h() - w->h() : 0;
}

}  // namespace

BOOL ShowWindow(HWND window, int showCommand) {
    if (DialogControl* control = ControlFromHandle(window)) {
        BOOL was = control->widget->visible() ? TRUE : FALSE;
        if (showCommand == SW_HIDE)
            control->widget->hide();
        else
            control->widget->show();
        return was;
    }
    if (IsDialog(window)) {
        BOOL was = g_dialog.window->visible() ? TRUE : FALSE;
        if (showCommand == SW_HIDE)
            HideDialog();
        else
            ShowDialog();
        return was;
    }
    if (window == 0 || !DesktopReady()) return FALSE;
    if (showCommand == SW_HIDE) X11Hide(window);
    else X11ShowAndActivate(window);
    return FALSE;
}

BOOL IsWindowVisible(HWND window) {
    if (DialogControl* control = ControlFromHandle(window))
        return control->widget->visible() && g_dialog.window->visible() ? TRUE : FALSE;
    if (IsDialog(window)) return g_dialog.window->visible() ? TRUE : FALSE;
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
    return DesktopReady() && X11WindowExists(window) ? TRUE : FALSE;
}

HWND GetForegroundWindow() { return DesktopReady() ? X11ActiveWindow() : 0; }

BOOL SetForegroundWindow(HWND window) {
    if (IsDialog(window)) {
        ActivateDialog();
        return TRUE;
    }
    return window != 0 && DesktopReady() && X11Activate(window) ? TRUE : FALSE;
}

HWND GetForegroundKeyboardTarget() { return DesktopReady() ? X11KeyboardTarget() : -1; }

HWND FindWindowW(const WCHAR* className, const WCHAR* title) {
    return DesktopReady() ? X11FindTopLevel(className, title) : 0;
}

int GetSystemMetrics(int index) {
    if (index != SM_CXSCREEN || fl_display == nullptr) return 0;
    return Fl::w();
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    if (!IsDialog(window) || rect == nullptr) return FALSE;
    Fl_Window* w = g_dialog.window;
    int extraW = 0, extraH = 0;
    FrameSize(&extraW, &extraH);
    // The frame's left, right and bottom edges are alike; the rest is the title bar.
    int left = w->x() - extraW / 2;
    int top = w->y() - (extraH - extraW / 2);
    *rect = RECT{left, top, left + w->w() + extraW, top + w->h() + extraH};
    return TRUE;
}

// x and y place the frame: with the default gravity the window manager puts
// the frame's corner where the client asks to be.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!IsDialog(window)) return FALSE;
    Fl_Window* w = g_dialog.window;
    int extraW = 0, extraH = 0;
    FrameSize(&extraW, &extraH);
    int width = cx - extraW > 0 ? cx - extraW : w->w();
    int height = cy - extraH > 0 ? cy - extraH : w->h();
    w->resize(x, y, width, height);
    if (flags & SWP_SHOWWINDOW)
        ShowDialog();
    else if (insertAfter == HWND_TOP && w->visible())
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
