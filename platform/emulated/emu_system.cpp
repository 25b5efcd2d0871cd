// Implements the language, the arguments and the standard output of
// platform/system.h on the emulated handheld.
#include "platform/emulated/emu_system.h"

#include <cstring>

#include "platform/system.h"
#include "platform/text.h"

namespace {
constexpr LANGID kEnglishUs = 0x0409;
struct SystemState {
    LANGID language = kEnglishUs;
    std::u16string output[3];  // by stream
};
SystemState g_system;
}  // namespace

void EmuResetSystem() { g_system = SystemState{}; }
void EmuSetLanguage(LANGID language) { g_system.language = language; }

LANGID GetSystemDefaultLangID() { return g_system.language; }

const std::u16string& EmuStandardText(DWORD stream) { return g_system.output[stream == STD_ERROR ? 2 : 1]; }

// Bytes as Latin-1: the handheld has no 8-bit arguments of its own.
int GetProgramArguments(int argc, char** argv, WCHAR (*arguments)[MAX_TEXT], int capacity) {
    if (argc - 1 > capacity) return -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strlen(argv[i]) >= static_cast<size_t>(MAX_TEXT)) return -1;
        WFromBytes(arguments[i - 1], argv[i], MAX_TEXT);
    }
    return argc > 0 ? argc - 1 : 0;
}

void WriteStandardText(DWORD stream, const WCHAR* text) { g_system.output[stream == STD_ERROR ? 2 : 1] += text; }
