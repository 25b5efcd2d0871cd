// Implements the language and text conversion of platform/system.h on the emulated handheld.
#include "platform/emulated/emu_system.h"

#include "platform/system.h"

namespace {
constexpr LANGID kEnglishUs = 0x0409;
LANGID g_language = kEnglishUs;
}  // namespace

void EmuResetSystem() { g_language = kEnglishUs; }
void EmuSetLanguage(LANGID language) { g_language = language; }

LANGID GetSystemDefaultLangID() { return g_language; }

size_t WideToMultiByte(char* dst, const WCHAR* src, size_t capacity) {
    size_t n = 0;
    for (; src[n] != 0; ++n) {
        if (src[n] > 0x7F) return static_cast<size_t>(-1);
        if (n >= capacity) return n;
        dst[n] = static_cast<char>(src[n]);
    }
    if (n < capacity) dst[n] = 0;
    return n;
}
