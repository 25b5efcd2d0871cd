// Implements platform/system.h with kernel32: sleep, clock, the user's
// interface language, process start, the command line and standard output
// (8-bit text is common/system_text.cpp).
#include "platform/system.h"

#include "platform/win32/native.h"

void Sleep(DWORD milliseconds) { native::Pause(milliseconds); }

DWORD GetTickCount() { return native::TickCount(); }

// The language the user reads Windows in; any German region gives 7 in the
// low bits.
LANGID GetSystemDefaultLangID() { return native::UserInterfaceLanguage(); }

BOOL CreateProcessW(const WCHAR* image, const WCHAR* commandLine, DWORD creationFlags) {
    return native::StartProcess(image, commandLine, creationFlags) ? TRUE : FALSE;
}

static_assert(MAX_TEXT == 260, "the native side copies 260 units");

// argv is the C runtime's 8-bit copy; the wide command line loses nothing.
int GetProgramArguments(int, char**, WCHAR (*arguments)[MAX_TEXT], int capacity) {
    return native::CommandLineArguments(arguments, capacity);
}

void WriteStandardText(DWORD stream, const WCHAR* text) { native::WriteStandard(stream == STD_ERROR ? 2 : 1, text); }
