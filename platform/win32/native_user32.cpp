// Implements the user32 part of native.h: the dialog, the message loop,
// other programs' windows, display settings and the on-screen keyboard.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include "platform/win32/native.h"

static_assert(sizeof(RECT) == 16, "RECT is four 32-bit edges on both sides");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is UTF-16 on Windows");

namespace {

struct User32State {
    native::DialogProcedure procedure;
    MSG last;            // the message GetMessage gave last, whole
    HWND consoleWindow;  // the console typed into last, and a process attached to it
    DWORD consoleClient;
};
User32State g_user32;

HWND Window(intptr_t handle) { return reinterpret_cast<HWND>(handle); }
intptr_t Handle(HWND window) { return reinterpret_cast<intptr_t>(window); }
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

INT_PTR CALLBACK Trampoline(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_user32.procedure == nullptr) return FALSE;
    // The core centres its dialog again on a settings change; the desktop
    // announces a new screen size or orientation as WM_DISPLAYCHANGE.
    if (message == WM_DISPLAYCHANGE) message = WM_SETTINGCHANGE;
    return g_user32.procedure(Handle(dialog), message, wParam, lParam);
}

void Restore(const intptr_t fields[4]) {
    g_user32.last.hwnd = Window(fields[0]);
    g_user32.last.message = static_cast<UINT>(fields[1]);
    g_user32.last.wParam = static_cast<WPARAM>(fields[2]);
    g_user32.last.lParam = static_cast<LPARAM>(fields[3]);
}

bool IsExtendedKey(UINT key) {
    switch (key) {
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_INSERT:
        case VK_DELETE: return true;
        default: return false;
    }
}

// The handheld counts 270 degrees as 4; the desktop as 3.
DWORD DesktopOrientation(uint32_t handheld) { return handheld == 4 ? DMDO_270 : handheld; }
uint32_t HandheldOrientation(DWORD desktop) { return desktop == DMDO_270 ? 4 : desktop; }

bool CurrentSettings(DEVMODEW* mode) {
    ZeroMemory(mode, sizeof *mode);
    mode->dmSize = sizeof *mode;
    return EnumDisplaySettingsExW(nullptr, ENUM_CURRENT_SETTINGS, mode, 0) != FALSE;
}

bool AttachTo(DWORD process, HWND window) {
    if (process == 0 || !AttachConsole(process)) return false;
    if (GetConsoleWindow() == window) return true;
    FreeConsole();
    return false;
}

// Attaches to the console whose window is `window`. Windows names a client
// of the console as the window's owner; Wine names its console host, so
// there the clients are looked for among all processes, once per window.
bool AttachToConsoleOf(HWND window) {
    if (g_user32.consoleWindow == window && AttachTo(g_user32.consoleClient, window)) return true;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    DWORD client = AttachTo(owner, window) ? owner : 0;
    if (client == 0) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return false;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && client == 0;
             more = Process32NextW(snapshot, &entry))
            if (entry.th32ProcessID != GetCurrentProcessId() && AttachTo(entry.th32ProcessID, window))
                client = entry.th32ProcessID;
        CloseHandle(snapshot);
    }
    g_user32.consoleWindow = client != 0 ? window : nullptr;
    g_user32.consoleClient = client;
    return client != 0;
}

// What a character stands for on the console's keyboard: its own key for
// the control characters a console acts on, none for the rest.
WORD ConsoleKeyOf(WCHAR character) {
    switch (character) {
        case 0x08: return VK_BACK;
        case 0x09: return VK_TAB;
        case 0x0D: return VK_RETURN;
        case 0x1B: return VK_ESCAPE;
        default: return 0;
    }
}

constexpr DWORD kMaxModes = 4096;
constexpr wchar_t kOnScreenKeyboardClass[] = L"OSKMainClass";

}  // namespace

namespace native {

intptr_t CreateDialogFromResource(int templateId, intptr_t owner, DialogProcedure procedure, intptr_t param) {
    g_user32.procedure = procedure;
    HINSTANCE self = GetModuleHandleW(nullptr);
    HWND dialog = CreateDialogParamW(self, MAKEINTRESOURCEW(templateId), Window(owner), Trampoline, param);
    if (dialog == nullptr) return 0;
    HICON icon = LoadIconW(self, MAKEINTRESOURCEW(101));
    if (icon != nullptr) {
        SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    return Handle(dialog);
}

intptr_t DialogItem(intptr_t dialog, int id) { return Handle(GetDlgItem(Window(dialog), id)); }

intptr_t SendDialogItemMessage(intptr_t dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendDlgItemMessageW(Window(dialog), id, message, wParam, lParam);
}

int SetText(intptr_t window, const char16_t* text) { return SetWindowTextW(Window(window), Wide(text)); }
int SetDialogItemText(intptr_t dialog, int id, const char16_t* text) {
    return SetDlgItemTextW(Window(dialog), id, Wide(text));
}
int GetDialogItemText(intptr_t dialog, int id, char16_t* text, int capacity) {
    return static_cast<int>(GetDlgItemTextW(Window(dialog), id, Wide(text), capacity));
}

int Show(intptr_t window, int showCommand) { return ShowWindow(Window(window), showCommand); }
int IsVisible(intptr_t window) { return IsWindowVisible(Window(window)); }
int Enable(intptr_t window, int enable) { return EnableWindow(Window(window), enable); }
int IsEnabled(intptr_t window) { return IsWindowEnabled(Window(window)); }

int NextMessage(intptr_t fields[4]) {
    int result = GetMessageW(&g_user32.last, nullptr, 0, 0);
    fields[0] = Handle(g_user32.last.hwnd);
    fields[1] = static_cast<intptr_t>(g_user32.last.message);
    fields[2] = static_cast<intptr_t>(g_user32.last.wParam);
    fields[3] = g_user32.last.lParam;
    return result;
}

int IsDialogMessageFor(intptr_t dialog, const intptr_t fields[4]) {
    Restore(fields);
    return IsDialogMessageW(Window(dialog), &g_user32.last);
}

intptr_t Dispatch(const intptr_t fields[4]) {
    Restore(fields);
    return DispatchMessageW(&g_user32.last);
}

void PostQuit(int exitCode) { PostQuitMessage(exitCode); }

int ShowError(intptr_t owner, const char16_t* text, const char16_t* caption) {
    return MessageBoxW(Window(owner), Wide(text), Wide(caption), MB_ICONERROR | MB_OK);
}

int LoadText(uint32_t id, char16_t* buffer, int capacity) {
    if (capacity <= 0) return 0;
    buffer[0] = 0;
    return LoadStringW(GetModuleHandleW(nullptr), id, Wide(buffer), capacity);
}

intptr_t Foreground() { return Handle(GetForegroundWindow()); }
// Windows hands the foreground only to the program the user typed into
// last, and the terminal's keys reach Tastra through a serial line, not the
// keyboard. When Windows refuses, Tastra asks again while sharing the input
// state of the program in front, which could give the foreground away itself.
int SetForeground(intptr_t window) {
    if (SetForegroundWindow(Window(window)) && GetForegroundWindow() == Window(window)) return TRUE;
    DWORD self = GetCurrentThreadId();
    DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    bool joined = front != 0 && front != self && AttachThreadInput(self, front, TRUE);
    BOOL done = SetForegroundWindow(Window(window));
    if (joined) AttachThreadInput(self, front, FALSE);
    return done;
}

intptr_t FocusOfForegroundThread() {
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) return 0;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
    if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return -1;
    return Handle(info.hwndFocus != nullptr ? info.hwndFocus : foreground);
}

intptr_t FindTopLevel(const char16_t* className, const char16_t* title) {
    return Handle(FindWindowW(Wide(className), Wide(title)));
}

bool IsOwnWindow(intptr_t window) {
    DWORD process = 0;
    return GetWindowThreadProcessId(Window(window), &process) != 0 && process == GetCurrentProcessId();
}

bool WindowExists(intptr_t window) { return window != 0 && IsWindow(Window(window)) != FALSE; }

int Post(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PostMessageW(Window(window), message, wParam, lParam);
}

intptr_t Send(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageW(Window(window), message, wParam, lParam);
}

bool IsConsoleWindow(intptr_t window) {
    wchar_t name[32];
    if (GetClassNameW(Window(window), name, 32) == 0) return false;
    return lstrcmpW(name, L"ConsoleWindowClass") == 0 || lstrcmpW(name, L"WineConsoleClass") == 0;
}

bool TypeIntoConsole(intptr_t window, uint32_t virtualKey, char16_t character) {
    if (!AttachToConsoleOf(Window(window))) return false;
    // A Ctrl+C pressed in that console meanwhile must not end Tastra.
    SetConsoleCtrlHandler(nullptr, TRUE);
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    bool typed = false;
    if (input != INVALID_HANDLE_VALUE) {
        INPUT_RECORD press[2] = {};
        KEY_EVENT_RECORD& key = press[0].Event.KeyEvent;
        press[0].EventType = KEY_EVENT;
        key.bKeyDown = TRUE;
        key.wRepeatCount = 1;
        key.wVirtualKeyCode = static_cast<WORD>(character != 0 ? ConsoleKeyOf(character) : virtualKey);
        key.wVirtualScanCode = static_cast<WORD>(MapVirtualKeyW(key.wVirtualKeyCode, MAPVK_VK_TO_VSC));
        key.uChar.UnicodeChar = static_cast<wchar_t>(character);
        key.dwControlKeyState = IsExtendedKey(key.wVirtualKeyCode) ? ENHANCED_KEY : 0;
        press[1] = press[0];
        press[1].Event.KeyEvent.bKeyDown = FALSE;
        DWORD written = 0;
        typed = WriteConsoleInputW(input, press, 2, &written) && written == 2;
        CloseHandle(input);
    }
    FreeConsole();
    return typed;
}

intptr_t KeyMessageParam(uint32_t virtualKey, intptr_t coreParam) {
    UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) & 0xFF;
    intptr_t extended = IsExtendedKey(virtualKey) ? 1 : 0;
    return (coreParam & ~static_cast<intptr_t>(0x01FF0000)) | static_cast<intptr_t>(scan) << 16 | extended << 24;
}

uintptr_t StartTimer(intptr_t window, uintptr_t id, uint32_t milliseconds) {
    return SetTimer(Window(window), id, milliseconds, nullptr);
}
int StopTimer(intptr_t window, uintptr_t id) { return KillTimer(Window(window), id); }

int SystemMetric(int index) { return GetSystemMetrics(index); }

int WindowRect(intptr_t window, void* rect16) { return GetWindowRect(Window(window), static_cast<RECT*>(rect16)); }

int SetPosition(intptr_t window, intptr_t insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
    return SetWindowPos(Window(window), Window(insertAfter), x, y, cx, cy, flags);
}

// The display can turn when it offers a mode in another orientation than
// the current one: a driver that cannot rotate lists none.
int32_t TestDisplayRotation() {
    DEVMODEW current;
    if (!CurrentSettings(&current)) return DISP_CHANGE_FAILED;
    DEVMODEW mode;
    for (DWORD i = 0; i < kMaxModes; ++i) {
        ZeroMemory(&mode, sizeof mode);
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsExW(nullptr, i, &mode, EDS_ROTATEDMODE)) break;
        if ((mode.dmFields & DM_DISPLAYORIENTATION) && mode.dmDisplayOrientation != current.dmDisplayOrientation)
            return DISP_CHANGE_SUCCESSFUL;
    }
    return DISP_CHANGE_BADMODE;
}

int32_t ReadDisplayOrientation(uint32_t* orientation) {
    DEVMODEW current;
    if (!CurrentSettings(&current)) return DISP_CHANGE_FAILED;
    *orientation = HandheldOrientation(current.dmDisplayOrientation);
    return DISP_CHANGE_SUCCESSFUL;
}

int32_t TurnDisplay(uint32_t orientation) {
    DEVMODEW mode;
    if (!CurrentSettings(&mode)) return DISP_CHANGE_FAILED;
    DWORD wanted = DesktopOrientation(orientation);
    // Portrait and landscape swap the width and the height.
    if ((wanted & 1) != (mode.dmDisplayOrientation & 1)) {
        DWORD width = mode.dmPelsWidth;
        mode.dmPelsWidth = mode.dmPelsHeight;
        mode.dmPelsHeight = width;
    }
    mode.dmDisplayOrientation = wanted;
    mode.dmFields = DM_DISPLAYORIENTATION | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr);
}

bool OnScreenKeyboardShown() {
    HWND keyboard = FindWindowW(kOnScreenKeyboardClass, nullptr);
    return keyboard != nullptr && IsWindowVisible(keyboard);
}

bool ShowOnScreenKeyboard(bool show) {
    HWND keyboard = FindWindowW(kOnScreenKeyboardClass, nullptr);
    if (!show) return keyboard == nullptr || PostMessageW(keyboard, WM_CLOSE, 0, 0) != FALSE;
    if (keyboard != nullptr) return ShowWindow(keyboard, SW_SHOWNOACTIVATE), true;
    return StartProcess(nullptr, u"osk.exe", 0);
}

}  // namespace native
