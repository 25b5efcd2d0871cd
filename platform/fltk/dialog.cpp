// Implements platform/fltk/dialog.h.
#include "platform/fltk/dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "platform/common/settings_change.h"
#include "platform/fltk/window_internal.h"

HWND FltkDialogWindow() { return g_dialog.window != nullptr ? g_dialog.hwnd : 0; }

void QueueSettingChange() {
    if (g_dialog.window != nullptr) QueueMessage(g_dialog.hwnd, WM_SETTINGCHANGE, 0, 0);
}

void FltkDestroyDialog() {
    ListenForSettingChange(nullptr);
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
