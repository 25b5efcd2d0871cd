// The emulated window manager: the dialog's controls as data, other
// applications' windows, foreground and keyboard target, the message log,
// timers and the message loop.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

constexpr DWORD EMU_NEVER = 0xFFFFFFFF;

void EmuResetWindows();

// The dialog made by CreateDialogParamW, 0 before.
HWND EmuDialog();
void EmuFailDialogCreation(bool fail);

// Another application's top-level window, existing from `appearsAt` until
// `closesAt` on the virtual clock. It is not made the foreground window.
HWND EmuAddWindow(const WCHAR* title, const WCHAR* className, DWORD appearsAt = 0, DWORD closesAt = EMU_NEVER);
// The window closes itself when it receives WM_CLOSE (sent or posted).
void EmuCloseOnWmClose(HWND window, bool closes);
void EmuDestroyWindow(HWND window);
bool EmuWindowExists(HWND window);

// What the user does.
void EmuSetForeground(HWND window);
void EmuSelectComboItem(int controlId, int index);  // and notifies the dialog
void EmuClickButton(int controlId);                 // posts the WM_COMMAND
void EmuPressKey(WORD virtualKey);                  // into the dialog's loop

// The keyboard target: by default the foreground window; an override wins,
// and a failing query returns -1.
void EmuSetKeyboardTarget(HWND window);
void EmuFailKeyboardTarget(bool fail);

void EmuSetScreenWidth(int pixels);
void EmuFailTimers(bool fail);
bool EmuTimerRunning(HWND window, UINT_PTR id);
// When the running timer was started (for the first-tick time).
DWORD EmuTimerStartedAt(HWND window, UINT_PTR id);

// Control state of the dialog.
std::u16string EmuControlText(int controlId);
std::vector<std::u16string> EmuComboItems(int controlId);
int EmuComboSelection(int controlId);
bool EmuControlVisible(int controlId);
bool EmuControlEnabled(int controlId);
int EmuFocusedControl();
std::u16string EmuWindowText(HWND window);

// Geometry and order.
RECT EmuWindowRect(HWND window);
bool EmuWindowVisible(HWND window);
HWND EmuTopWindow();  // the top of the z-order among visible windows, 0 if none

// Every message the program posted or sent, and every control message, in order.
enum EmuMessageKind { EMU_POSTED, EMU_SENT, EMU_CONTROL };
struct EmuMessage {
    EmuMessageKind kind;
    HWND target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;  // for texts: 0; the text is in `text`
    std::u16string text;
    DWORD time;
    bool delivered;  // false when the target did not exist
};
const std::vector<EmuMessage>& EmuMessageLog();
void EmuClearMessageLog();
// Only the key and character messages (WM_KEYDOWN, WM_KEYUP, WM_CHAR) posted to `target`.
std::vector<EmuMessage> EmuKeyMessagesTo(HWND target);

// GetMessageW returns 0 instead of waiting forever when nothing can ever
// arrive (no queued message, timer or scheduled action); this tells whether
// the last loop ended that way.
bool EmuLoopStarved();
int EmuQuitCode();
// The text of the last MessageBoxW, empty when none was shown.
std::u16string EmuLastMessageBox();

// Hands every queued message to the dialog as the message loop would,
// without moving the clock. Returns how many were handled.
int EmuRunPending();

// Runs the loop's timers and scheduled actions up to `milliseconds` from
// now, handling each message on the way (what WinMain's loop would do).
void EmuRunFor(DWORD milliseconds);
