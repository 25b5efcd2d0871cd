// Implements the language of platform/system.h on the emulated handheld.
#include "platform/emulated/emu_system.h"

#include "platform/system.h"

namespace {
constexpr LANGID kEnglishUs = 0x0409;
LANGID g_language = kEnglishUs;
}  // namespace

void EmuResetSystem() { g_language = kEnglishUs; }
void EmuSetLanguage(LANGID language) { g_language = language; }

LANGID GetSystemDefaultLangID() { return g_language; }
