// Start-up: one copy only (a second start, options and all, only shows the
// first), the language, the dialog with the start options, the message loop.
#include "app/shell.h"

#include "app/options.h"
#include "base/resource.h"
#include "platform/system.h"
#include "platform/window.h"

HINSTANCE g_hInstance = nullptr;
BYTE g_langOffset = 0;
const WCHAR WINDOW_TITLE[] = u"Tastra v1.00";

namespace {
constexpr BYTE LANG_GERMAN = 7;
const WCHAR NO_DIALOG_TEXT[] = u"Tastra cannot create its window.";
}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, const WCHAR*, int) {
    HWND running = FindWindowW(nullptr, WINDOW_TITLE);
    if (running != 0) {
        ShowWindow(running, SW_SHOW);
        SetForegroundWindow(running);
        return 0;
    }

    g_hInstance = instance;
    g_langOffset = (GetSystemDefaultLangID() & 0xFF) == LANG_GERMAN ? 1 : 0;

    HWND dialog = CreateDialogParamW(instance, IDD_MAIN, 0, MainDialogProc, 0);
    if (dialog == 0) {
        // Without its window the program could never be used or closed.
        MessageBoxW(0, NO_DIALOG_TEXT, WINDOW_TITLE, MB_ICONERROR);
        return 1;
    }
    ShowWindow(dialog, SW_SHOWNORMAL);
    ApplyStartOptions(dialog);

    MSG message;
    while (GetMessageW(&message, 0, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) DispatchMessageW(&message);
    }
    return 0;
}
