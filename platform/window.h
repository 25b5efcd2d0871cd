// Window manager and dialog services: the dialog built from a template, its
// controls, other applications' windows, messages, timers and the message loop.
//
// Windows and controls are named by HWND: 0 is "no window". Messages to the
// program's own dialog reach its dialog procedure; messages posted to another
// application's window are delivered to that application (key and character
// messages become key presses and characters for it). Nothing here allocates
// anything the caller must free. All calls come from the program's one thread.
#pragma once

#include "platform/resources.h"
#include "platform/types.h"

// Messages.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SETTINGCHANGE = 0x001A;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;

// Combo box messages and notifications.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr LRESULT CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD BN_CLICKED = 0;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// Window placement.
constexpr HWND HWND_TOP = 0;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr int SM_CXSCREEN = 0;

// Virtual keys.
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_TAB = 0x09;
constexpr WORD VK_RETURN = 0x0D;
constexpr WORD VK_ESCAPE = 0x1B;
constexpr WORD VK_END = 0x23;
constexpr WORD VK_HOME = 0x24;
constexpr WORD VK_LEFT = 0x25;
constexpr WORD VK_UP = 0x26;
constexpr WORD VK_RIGHT = 0x27;
constexpr WORD VK_DOWN = 0x28;
constexpr WORD VK_DELETE = 0x2E;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Creates a modeless dialog from the template `templateId` of `instance`,
// not yet visible unless the template says WS_VISIBLE. The procedure gets
// WM_INITDIALOG (wParam 0, lParam `param`) before this returns. Returns the
// dialog, or 0 when the template is missing or the window cannot be made.
HWND CreateDialogParamW(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM param);

// The control `id` of a dialog, or 0.
HWND GetDlgItem(HWND dialog, int id);

// Sends a control message (CB_*) to control `id` of the dialog. Returns the
// control's answer: CB_ERR for an unknown control or message. CB_ADDSTRING
// copies the text (lParam, const WCHAR*); CB_GETLBTEXT copies into lParam,
// which must hold MAX_TEXT characters.
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);

// Texts of windows and controls. The get form cuts to `capacity` characters.
BOOL SetWindowTextW(HWND window, const WCHAR* text);
BOOL SetDlgItemTextW(HWND dialog, int id, const WCHAR* text);
int GetDlgItemTextW(HWND dialog, int id, WCHAR* text, int capacity);

// Returns whether the window was visible before. A backend whose key messages
// may wait to be typed keeps the order of what comes from the terminal: called
// while the dialog procedure handles WM_TIMER, ShowWindow and
// SetForegroundWindow take effect after the key messages posted before them;
// called for anything else (the user's own input to the dialog), at once. Keys
// still waiting for another window when the user clicks into the dialog are
// dropped: the user took the focus on purpose.
BOOL ShowWindow(HWND window, int showCommand);
BOOL IsWindowVisible(HWND window);
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

// The window the user works with, 0 when there is none: what the desktop
// reports active. A window asked for with SetForegroundWindow stands in for
// it until the desktop reports that window active, or any other than the one
// active when it was asked (the user chose one), and for at most a few
// seconds (a window manager may apply the request late).
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);

// The window that receives keyboard input in the foreground application;
// -1 when the query fails. What it yields with no focus is the backend's.
HWND GetForegroundKeyboardTarget();

// A top-level window by class and/or title (nullptr matches any), or 0.
HWND FindWindowW(const WCHAR* className, const WCHAR* title);

// Asynchronous; FALSE when the target does not exist or its queue is full.
// A desktop backend does not deliver WM_DESTROY to another program's window
// (FALSE): there only a program itself destroys its windows, or its unsaved
// work would be lost.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Synchronous: returns when the target has handled the message. A desktop
// backend delivers a close request (WM_CLOSE) to another program's window
// without waiting for it, since that program may first ask its user.
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A timer posts WM_TIMER (wParam = id) to the window every `milliseconds`.
// Returns the id, or 0 on failure. KillTimer of a timer that does not run is harmless.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void* timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);

int GetSystemMetrics(int index);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// The message loop. GetMessageW waits for the next message of the thread
// and returns 0 for WM_QUIT; IsDialogMessageW gives the dialog's keyboard
// navigation the first look and handles every message meant for the dialog
// (returns TRUE then); DispatchMessageW delivers the rest.
BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last);
BOOL IsDialogMessageW(HWND dialog, MSG* message);
LRESULT DispatchMessageW(const MSG* message);
void PostQuitMessage(int exitCode);

// Tells the user about a failure that ends the program (where there is no
// display, on the error output). Returns when the user has seen it.
constexpr UINT MB_ICONERROR = 0x10;
int MessageBoxW(HWND owner, const WCHAR* text, const WCHAR* caption, UINT type);
