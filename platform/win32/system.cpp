// Implements platform/system.h with kernel32: sleep, clock, the user's
// interface language and process start (8-bit text is common/system_text.cpp).
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
