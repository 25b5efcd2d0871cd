// Other applications' windows and typing on KDE Plasma (KWin on Wayland):
// keys through KWin's fake input, which it offers only to a program that a
// desktop entry authorises (X-KDE-Wayland-Interfaces), typed by keycode from
// the user's own keymap; windows through KWin scripts, which report back
// over the session bus. The program's own dialog is an X11 window on
// Xwayland; an X window is named by its X window id, a native one by a
// handle above every X window id (29 bits), never reused.
#pragma once

#include "platform/types.h"

// Connects (nullptr: $WAYLAND_DISPLAY); false unless KWin offers fake input
// to this program and its scripts answer, with everything closed again.
bool KdeDesktopOpen(const char* displayName);
void KdeDesktopClose();

// One descriptor for the compositor and the session bus, and the handling
// of what arrived on either. false when the compositor is gone.
int KdeDesktopFd();
bool KdeDesktopDispatch();

HWND KdeFindTopLevel(const WCHAR* className, const WCHAR* title);
// The active window; 0 when none is, -1 when KWin is gone.
HWND KdeActiveWindow();
HWND KdeKeyboardTarget();
bool KdeShowAndActivate(HWND window);
bool KdeActivate(HWND window);
bool KdeHide(HWND window);
bool KdeWindowExists(HWND window);
// KWin's close of the window (a polite request; never a kill).
void KdeRequestClose(HWND window);
// Brings the dialog (an X window just mapped) to the front.
void KdeActivateDialog(HWND dialog);
// Calls `reported(window)` as KWin reports another active window (0: none).
void KdeWatchActiveWindow(void (*reported)(HWND active));

// WM_KEYDOWN / WM_KEYUP / WM_CHAR by the rules of
// platform/common/key_strokes.h, queued and typed paced from the loop's
// timer: KWin drops the receiving program when keys come faster than it
// reads them.
BOOL KdePostKeyMessage(HWND target, UINT message, WPARAM wParam, LPARAM lParam);
void KdeSetKeyTimer(void (*schedule)(int milliseconds));
void KdeTypeWaitingKeys();
int KdeKeysWaiting();
void KdeAfterWaitingKeys(void (*action)(long, long), long first, long second);
// Drops the waiting keys of any window but `kept`; actions still run.
void KdeDropWaitingKeys(HWND kept);

// platform/display.h and platform/sip.h on KDE: the first output turned
// through KWin's output management, and KWin's own on-screen keyboard where
// one is installed.
struct DEVMODEW;
LONG KdeChangeDisplaySettings(DEVMODEW* mode, DWORD flags);
BOOL KdeSipInfo(UINT action, void* info);
