// Implements the dialog's state and the handle lookups of window_internal.h:
// the bottom of the FLTK window service, calling nothing above it.
#include "platform/fltk/window_internal.h"

DialogState g_dialog;

bool IsDialog(HWND window) { return window != 0 && g_dialog.window != nullptr && window == g_dialog.hwnd; }

DialogControl* ControlFromHandle(HWND window) {
    HWND index = window - kFirstControlHandle;
    if (g_dialog.window == nullptr || index < 0 || index >= g_dialog.controlCount) return nullptr;
    return &g_dialog.controls[index];
}

DialogControl* ControlFromId(int id) {
    if (g_dialog.window == nullptr || id == IDC_STATIC) return nullptr;
    for (int i = 0; i < g_dialog.controlCount; ++i)
        if (g_dialog.controls[i].id == id) return &g_dialog.controls[i];
    return nullptr;
}

HWND HandleOfControl(const DialogControl* control) { return kFirstControlHandle + (control - g_dialog.controls); }
