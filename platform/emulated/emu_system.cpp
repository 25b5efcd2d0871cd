// Implements the language of platform/system.h on the emulated handheld.
#include "platform/emulated/emu_system.h"

#include "platform/system.h"

namespace {
constexpr LANGID kEnglishUs = 0x0409;
struct SystemState {
    LANGID language = kEnglishUs;
};
SystemState g_system;
}  // namespace

void EmuResetSystem() { g_system.language = kEnglishUs; }
void EmuSetLanguage(LANGID language) { g_system.language = language; }

LANGID GetSystemDefaultLangID() { return g_system.language; }
