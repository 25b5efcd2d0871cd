// Implements platform/x11/x11_dialog.h: the dialog as the other x11 services see it.
#include "platform/x11/x11_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "platform/x11/window_internal.h"

HWND X11DialogWindow() { return g_dialog.window != nullptr ? g_dialog.hwnd : 0; }

void X11AnnounceSettingChange() {
    if (g_dialog.window != nullptr) QueueMessage(g_dialog.hwnd, WM_SETTINGCHANGE, 0, 0);
}

void X11DestroyDialog() {
    ResetMessageLoop();
    if (g_dialog.window == nullptr) return;
    StopWatchingDialogState();
    g_dialog.window->hide();
    delete g_dialog.window;
    delete g_dialog.icon;
    Fl::flush();
    XSync(fl_display, False);
    ResetCombos();
    g_dialog = DialogState{};
}
