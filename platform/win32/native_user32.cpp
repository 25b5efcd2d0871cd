// Implements the user32 part of native.h: the dialog, the message loop,
// other programs' windows, display settings and the on-screen keyboard.
#include <windows.h>

#include "platform/win32/native.h"

static_assert(sizeof(RECT) == 16, "RECT is four 32-bit edges on both sides");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is UTF-16 on Windows");

namespace {

struct User32State {
    native::DialogProcedure procedure;
    MSG last;  // the message GetMessage gave last, whole
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
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
        case VK_INSERT: case VK_DELETE:
            return true;
        default:
            return false;
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
int SetForeground(intptr_t window) { return SetForegroundWindow(Window(window)); }

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
