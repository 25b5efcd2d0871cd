// Windows' own calls in plain types, for the files that implement the
// platform headers.
//
// The core names its records and handles as the handheld did (DCB, MSG, RECT,
// HWND as an integer, WCHAR as char16_t), so <windows.h> and platform/*.h
// cannot meet in one file. Each contract file here includes only its
// platform header and this one; the native_*.cpp files include only
// <windows.h> and this one. Handles travel as intptr_t, wide text as
// char16_t (the same 16-bit units as wchar_t on Windows), and records whose
// layout both sides share as void*, checked by size on the native side.
#pragma once

#include <cstddef>
#include <cstdint>

namespace native {

typedef intptr_t (*DialogProcedure)(intptr_t dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// user32: the program's dialog and the message loop.
intptr_t CreateDialogFromResource(int templateId, intptr_t owner, DialogProcedure procedure, intptr_t param);
intptr_t DialogItem(intptr_t dialog, int id);
intptr_t SendDialogItemMessage(intptr_t dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam);
int SetText(intptr_t window, const char16_t* text);
int SetDialogItemText(intptr_t dialog, int id, const char16_t* text);
int GetDialogItemText(intptr_t dialog, int id, char16_t* text, int capacity);
int Show(intptr_t window, int showCommand);
int IsVisible(intptr_t window);
int Enable(intptr_t window, int enable);
int IsEnabled(intptr_t window);
// Fills the four fields the core sees; the whole record stays here for
// IsDialogMessage and DispatchMessage. Returns as GetMessageW does.
int NextMessage(intptr_t fields[4]);
// The message last taken, with the four fields as the core left them.
int IsDialogMessageFor(intptr_t dialog, const intptr_t fields[4]);
intptr_t Dispatch(const intptr_t fields[4]);
void PostQuit(int exitCode);
int ShowError(intptr_t owner, const char16_t* text, const char16_t* caption);
int LoadText(uint32_t id, char16_t* buffer, int capacity);

// user32: other programs' windows.
intptr_t Foreground();
int SetForeground(intptr_t window);
// The focus window of the foreground window's thread; the foreground
// window itself when that thread has no focus; 0 when there is no
// foreground window; -1 when the query fails.
intptr_t FocusOfForegroundThread();
intptr_t FindTopLevel(const char16_t* className, const char16_t* title);
bool IsOwnWindow(intptr_t window);
bool WindowExists(intptr_t window);
int Post(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t Send(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// A console window takes its keys into the console's input buffer, not
// from its message queue: one key press (down and up) of `virtualKey`, or of
// `character` when that is not 0. False when the console cannot be reached.
bool IsConsoleWindow(intptr_t window);
bool TypeIntoConsole(intptr_t window, uint32_t virtualKey, char16_t character);
// The lParam of a key message as the keyboard driver would give it: the
// core's repeat and transition bits, plus scan code and extended-key bit.
intptr_t KeyMessageParam(uint32_t virtualKey, intptr_t coreParam);
uintptr_t StartTimer(intptr_t window, uintptr_t id, uint32_t milliseconds);
int StopTimer(intptr_t window, uintptr_t id);
int SystemMetric(int index);
int WindowRect(intptr_t window, void* rect16);
int SetPosition(intptr_t window, intptr_t insertAfter, int x, int y, int cx, int cy, uint32_t flags);

// Display settings in the handheld's terms: orientation 0, 1, 2 or 4.
// Whether the primary display can be turned; its orientation; turning it
// (width and height swapped as needed). Each returns a DISP_CHANGE_ value.
int32_t TestDisplayRotation();
int32_t ReadDisplayOrientation(uint32_t* orientation);
int32_t TurnDisplay(uint32_t orientation);

// The on-screen keyboard: shown, show, hide.
bool OnScreenKeyboardShown();
bool ShowOnScreenKeyboard(bool show);

// kernel32: serial lines and the rest of the system.
intptr_t OpenCommPort(const char16_t* path);
int SetCommStateBytes(intptr_t port, const void* dcb28);
int SetCommTimeoutsBytes(intptr_t port, const void* timeouts20);
int Read(intptr_t handle, void* buffer, uint32_t bytes, uint32_t* transferred);
int Write(intptr_t handle, const void* buffer, uint32_t bytes, uint32_t* transferred);
int Close(intptr_t handle);
void Pause(uint32_t milliseconds);
uint32_t TickCount();
uint16_t UserInterfaceLanguage();
bool StartProcess(const char16_t* image, const char16_t* commandLine, uint32_t creationFlags);

// kernel32 and shell32: the program's command line split as
// CommandLineToArgvW does, without the program's name. Returns the count,
// or -1 when there are more than `capacity` or one has 260 units or more.
int CommandLineArguments(char16_t (*arguments)[260], int capacity);
// Writes to the standard output (1) or error (2): UTF-8 into a file or pipe,
// wide text into a console. A GUI program started from a console has no
// standard handles; it writes into that console.
void WriteStandard(int stream, const char16_t* text);

// advapi32: the serial ports Windows lists under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, as (device, port) text pairs such as
// ("\Device\Serial0", "COM1"). Returns how many were written, at most
// `capacity`; 0 when the key is missing.
struct SerialCommEntry {
    char16_t device[128];
    char16_t port[16];
};
int ReadSerialComm(SerialCommEntry* entries, int capacity);

}  // namespace native
