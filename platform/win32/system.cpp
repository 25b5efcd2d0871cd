// Implements platform/system.h with kernel32: sleep, clock, the user's
// interface language, process start and ASCII text.
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

// A terminal reads 7-bit text whatever Windows' code page is.
size_t WideToMultiByte(char* dst, const WCHAR* src, size_t capacity) {
    size_t written = 0;
    for (; *src != 0; ++src) {
        if (dst != nullptr && written >= capacity) return written;
        if (*src > 0x7F) return static_cast<size_t>(-1);
        if (dst != nullptr) dst[written] = static_cast<char>(*src);
        ++written;
    }
    if (dst != nullptr && written < capacity) dst[written] = 0;
    return written;
}
