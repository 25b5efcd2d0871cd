// Implements X11SipInfo of platform/x11/desktop.h (platform/sip.h on X) with xvkbd as the on-screen keyboard (shown and
// hidden by mapping its window).
#include <sys/wait.h>
#include <time.h>

#include "platform/linux/own_session.h"
#include "platform/sip.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

static const WCHAR KEYBOARD_CLASS[] = u"xvkbd";
static const WCHAR KEYBOARD_TITLE[] = u"xvkbd - Virtual Keyboard";
// A keyboard that does not show its window within this time failed to start.
constexpr int START_TIMEOUT_MS = 5000;
constexpr int START_POLL_MS = 20;

struct SipState {
    pid_t keyboardProcess;  // the keyboard we started; 0 when none runs
};
static SipState g_sip{};

static HWND FindKeyboard() { return X11FindTopLevel(KEYBOARD_CLASS, KEYBOARD_TITLE); }

// Collects the keyboard process when it has ended, so it leaves no zombie.
static bool KeyboardProcessRunning() {
    if (g_sip.keyboardProcess <= 0) return false;
    int status = 0;
    pid_t result = waitpid(g_sip.keyboardProcess, &status, WNOHANG);
    if (result == 0) return true;
    g_sip.keyboardProcess = 0;
    return false;
}

static bool StartKeyboard() {
    Display* display = X11DesktopDisplay();
    char program[] = "xvkbd";
    char displayOption[] = "-display";
    char* displayName = DisplayString(display);
    char* argv[] = {program, displayOption, displayName, nullptr};
    pid_t child = StartInOwnSession(argv);
    if (child == 0) return false;
    g_sip.keyboardProcess = child;
    return true;
}

static HWND WaitForKeyboard() {
    for (int waited = 0; waited < START_TIMEOUT_MS; waited += START_POLL_MS) {
        HWND keyboard = FindKeyboard();
        if (keyboard) return keyboard;
        if (!KeyboardProcessRunning()) return 0;
        timespec pause{0, START_POLL_MS * 1000000L};
        nanosleep(&pause, nullptr);
    }
    return 0;
}

static void FillInfo(SIPINFO* info, HWND keyboard, bool shown) {
    Display* display = X11DesktopDisplay();
    int width = DisplayWidth(display, DefaultScreen(display));
    int height = DisplayHeight(display, DefaultScreen(display));
    RECT keyboardRect{0, 0, 0, 0};
    if (keyboard) X11RootGeometry(keyboard, &keyboardRect);
    info->fdwFlags = shown ? SIPF_ON : 0;
    info->rcVisibleDesktop = RECT{0, 0, width, height};
    // A shown keyboard along the bottom edge covers the desktop below its top.
    if (shown && keyboardRect.top > 0 && keyboardRect.bottom >= height)
        info->rcVisibleDesktop.bottom = keyboardRect.top;
    info->rcSipRect = keyboardRect;
    info->dwImDataSize = 0;
    info->pvImData = 0;
}

static BOOL ShowKeyboard() {
    HWND keyboard = FindKeyboard();
    if (!keyboard) {
        if (!KeyboardProcessRunning() && !StartKeyboard()) return FALSE;
        keyboard = WaitForKeyboard();
        if (!keyboard) return FALSE;
    }
    // Mapped, never activated: the keys it sends must reach the focused window.
    return X11MapRaised(keyboard) ? TRUE : FALSE;
}

static BOOL HideKeyboard() {
    HWND keyboard = FindKeyboard();
    if (!keyboard) return TRUE;
    return X11Hide(keyboard) ? TRUE : FALSE;
}

static void SetKeyboardLater(long on, long) {
    if (on)
        ShowKeyboard();
    else
        HideKeyboard();
}

BOOL X11SipInfo(UINT action, void* info) {
    SIPINFO* record = static_cast<SIPINFO*>(info);
    if (!record || record->cbSize != sizeof(SIPINFO) || !X11DesktopDisplay()) return FALSE;
    KeyboardProcessRunning();
    if (action == SPI_GETSIPINFO) {
        HWND keyboard = FindKeyboard();
        FillInfo(record, keyboard, keyboard && X11IsMapped(keyboard));
        return TRUE;
    }
    bool on = (record->fdwFlags & SIPF_ON) != 0;
    if (action == SPI_SETSIPINFO && X11KeysWaiting() > 0) {
        // Keys typed before the on-screen keyboard shows or goes come first.
        X11AfterWaitingKeys(SetKeyboardLater, on, 0);
        return TRUE;
    }
    if (action == SPI_SETSIPINFO) return on ? ShowKeyboard() : HideKeyboard();
    return FALSE;
}
