// Shared state of the FLTK dialog for the window_*.cpp parts of the FLTK
// window service. Only the program's own dialog lives here; other windows
// belong to the desktop (platform/linux/desktop.h).
#pragma once

#include "platform/common/utf8.h"
#include "platform/resources.h"
#include "platform/window.h"

class Fl_Window;
class Fl_Widget;
class Fl_Image;

// Control handles lie above every X window id (29 bits), so they never
// collide with a real window.
constexpr HWND kFirstControlHandle = static_cast<HWND>(1) << 32;
constexpr int kMaxControls = 24;
constexpr int kMaxCombos = 4;
constexpr int kMaxComboItems = 64;

struct DialogControl {
    int id;
    ControlKind kind;
    DWORD style;
    Fl_Widget* widget;
    int combo;  // index into the combo table, -1 for other kinds
    WCHAR text[MAX_TEXT];
};

struct DialogState {
    Fl_Window* window;
    HWND hwnd;  // the X window id
    DLGPROC procedure;
    bool shown;      // what the user sees; FLTK's own flag blinks while a window manager reparents
    Fl_Image* icon;  // the icon control's picture; FLTK widgets do not own theirs
    DialogControl controls[kMaxControls];
    int controlCount;
    bool handlingTimer;  // the procedure handles WM_TIMER (window_loop.cpp)
};

extern DialogState g_dialog;

// The dialog and its controls by handle (dialog_state.cpp).
bool IsDialog(HWND window);
DialogControl* ControlFromHandle(HWND window);
DialogControl* ControlFromId(int id);
HWND HandleOfControl(const DialogControl* control);

// UTF-8 room for MAX_TEXT units (common/utf8.h); literal labels (window_text.cpp).
constexpr int kMaxUtf8 = MAX_TEXT * 3;
void RegisterLiteralLabels();
int LiteralLabelType();  // draws '&' and '@' as they are

// Keeps `shown` true to the window manager's state (window.cpp).
void WatchDialogState();
void StopWatchingDialogState();

// Control text as the user sees it (window_dialog.cpp).
void ApplyControlText(DialogControl* control);

// Combo boxes (window_combo.cpp).
Fl_Widget* CreateCombo(DialogControl* control, int x, int y, int w, int h, int fontSize);
LRESULT ComboMessage(DialogControl* control, UINT message, WPARAM wParam, LPARAM lParam);
void ReadComboText(const DialogControl* control, WCHAR* text, int capacity);
void SetComboText(DialogControl* control, const WCHAR* text);
void ResetCombos();

// Queues WM_SETTINGCHANGE for the dialog (dialog.cpp).
void QueueSettingChange();

// The message queue and timers (message_queue.cpp). QueueMessage is false
// when the queue is full; a timer queues WM_TIMER only when none of its own waits.
bool QueueMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool TakeQueuedMessage(MSG* message);
void QueueQuit(int exitCode);
bool TakeQuit(int* exitCode);
void SleepUntilNextEvent();  // until FLTK has run a callback
bool StartDialogTimer(HWND window, UINT_PTR id, UINT milliseconds);
bool StopDialogTimer(HWND window, UINT_PTR id);
void StopDialogTimers();
void ResetMessageLoop();

// Keys that wait to be typed are typed from the loop's timer while the
// dialog exists (window_loop.cpp).
void StartKeyTimer();
void StopKeyTimer();
