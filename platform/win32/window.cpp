// Implements platform/window.h with user32: the dialog from the program's
// resource script, the message loop, and messages to other programs.
//
// Key and character messages to another program are posted to its focus
// window. The core follows Backspace, Tab, Return and Escape with the
// character they stand for (0x08, 0x09, 0x0D, 0x1B), as the handheld wants
// it. A desktop program's own TranslateMessage turns a posted WM_KEYDOWN of
// these keys into that same character a second time, so their key messages
// stay here and the WM_CHAR alone types them: it reaches every edit control,
// whatever keys are held down on the local keyboard (Ctrl held with a posted
// Return would make a line feed). Keys that make no character (cursor keys,
// Home, End, Delete) go as WM_KEYDOWN and WM_KEYUP, with the scan code and
// extended-key bit a keyboard gives. A console window reads its keys from
// the console's input buffer, not from its messages (Wine's ignores WM_CHAR),
// so there each key or character becomes one key press written into it.
//
// Other programs never get WM_DESTROY (only a program itself may destroy its
// windows; a destroyed window loses its unsaved document), and a close
// request to them is posted: a program with unsaved changes answers WM_CLOSE
// with a question to its user, which must not hold Tastra's loop.
#include "platform/window.h"

#include "platform/win32/native.h"

namespace {

struct WindowState {
    intptr_t message[4];  // the fields of the message the loop took last
};
WindowState g_window;

// The keys whose character message carries the whole keystroke.
bool CharacterCarriesKey(WPARAM key) { return key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE; }

bool IsKeyMessage(UINT message) { return message == WM_KEYDOWN || message == WM_KEYUP; }

}  // namespace

HWND CreateDialogParamW(HINSTANCE, int templateId, HWND owner, DLGPROC procedure, LPARAM param) {
    // The template lives in the resource script linked into the program.
    return native::CreateDialogFromResource(templateId, owner, procedure, param);
}

HWND GetDlgItem(HWND dialog, int id) { return native::DialogItem(dialog, id); }

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    if (native::DialogItem(dialog, id) == 0) return CB_ERR;
    return native::SendDialogItemMessage(dialog, id, message, wParam, lParam);
}

BOOL SetWindowTextW(HWND window, const WCHAR* text) { return native::SetText(window, text); }
BOOL SetDlgItemTextW(HWND dialog, int id, const WCHAR* text) { return native::SetDialogItemText(dialog, id, text); }
int GetDlgItemTextW(HWND dialog, int id, WCHAR* text, int capacity) {
    return native::GetDialogItemText(dialog, id, text, capacity);
}

BOOL ShowWindow(HWND window, int showCommand) { return native::Show(window, showCommand) != 0; }
BOOL IsWindowVisible(HWND window) { return native::IsVisible(window) != 0; }
BOOL EnableWindow(HWND window, BOOL enable) { return native::Enable(window, enable) != 0; }
BOOL IsWindowEnabled(HWND window) { return native::IsEnabled(window) != 0; }

HWND GetForegroundWindow() { return native::Foreground(); }
BOOL SetForegroundWindow(HWND window) { return native::SetForeground(window); }
HWND GetForegroundKeyboardTarget() { return native::FocusOfForegroundThread(); }

HWND FindWindowW(const WCHAR* className, const WCHAR* title) { return native::FindTopLevel(className, title); }

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!native::WindowExists(window)) return FALSE;
    if (native::IsOwnWindow(window)) return native::Post(window, message, wParam, lParam);
    if (message == WM_DESTROY) return FALSE;
    if ((IsKeyMessage(message) || message == WM_CHAR) && native::IsConsoleWindow(window)) {
        if (message == WM_KEYUP || (message == WM_KEYDOWN && CharacterCarriesKey(wParam))) return TRUE;
        bool character = message == WM_CHAR;
        return native::TypeIntoConsole(window, character ? 0 : static_cast<UINT>(wParam),
                                       character ? static_cast<WCHAR>(wParam) : 0);
    }
    if (IsKeyMessage(message)) {
        if (CharacterCarriesKey(wParam)) return TRUE;
        lParam = native::KeyMessageParam(static_cast<UINT>(wParam), lParam);
    }
    return native::Post(window, message, wParam, lParam);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE && native::WindowExists(window) && !native::IsOwnWindow(window))
        return native::Post(window, message, wParam, lParam) ? 0 : 1;
    return native::Send(window, message, wParam, lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
    return native::StartTimer(window, id, milliseconds);
}
BOOL KillTimer(HWND window, UINT_PTR id) { return native::StopTimer(window, id); }

int GetSystemMetrics(int index) { return native::SystemMetric(index); }
BOOL GetWindowRect(HWND window, RECT* rect) { return native::WindowRect(window, rect); }
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return native::SetPosition(window, insertAfter, x, y, cx, cy, flags);
}

BOOL GetMessageW(MSG* message, HWND, UINT, UINT) {
    int result = native::NextMessage(g_window.message);
    message->hwnd = g_window.message[0];
    message->message = static_cast<UINT>(g_window.message[1]);
    message->wParam = static_cast<WPARAM>(g_window.message[2]);
    message->lParam = g_window.message[3];
    return result;
}

namespace {
const intptr_t* Fields(const MSG* message) {
    g_window.message[0] = message->hwnd;
    g_window.message[1] = static_cast<intptr_t>(message->message);
    g_window.message[2] = static_cast<intptr_t>(message->wParam);
    g_window.message[3] = message->lParam;
    return g_window.message;
}
}  // namespace

BOOL IsDialogMessageW(HWND dialog, MSG* message) { return native::IsDialogMessageFor(dialog, Fields(message)); }
LRESULT DispatchMessageW(const MSG* message) { return native::Dispatch(Fields(message)); }
void PostQuitMessage(int exitCode) { native::PostQuit(exitCode); }

int MessageBoxW(HWND owner, const WCHAR* text, const WCHAR* caption, UINT) {
    return native::ShowError(owner, text, caption);
}
