// Sleep, the clock, the user's language, process start, 8-bit text, and the
// program's arguments and standard output.
#pragma once

#include "platform/types.h"

// Blocks the thread; no message is handled meanwhile.
void Sleep(DWORD milliseconds);

// Milliseconds since an arbitrary start; wraps after 49 days.
DWORD GetTickCount();

// The user's language: the low 8 bits are the primary language (7 German).
LANGID GetSystemDefaultLangID();

constexpr DWORD CREATE_NEW_CONSOLE = 0x10;

// Starts `image` with `commandLine`. TRUE when the process started; the
// program keeps no handle of it.
BOOL CreateProcessW(const WCHAR* image, const WCHAR* commandLine, DWORD creationFlags);

// Wide text to 8-bit text like wcstombs: at most `capacity` bytes, the
// terminator written only when it fits. Returns the bytes written without
// the terminator, or (size_t)-1 when a character cannot be converted. Only
// ASCII converts, on every backend. Characters are taken in order and the
// conversion stops when the next one finds no room, so a character past the
// room is never looked at: u"abc\u00e9" into 3 bytes gives 3, into 4 gives
// (size_t)-1. With `dst` nullptr, `capacity` is ignored and the result is
// the length the whole text needs (or (size_t)-1).
size_t WideToMultiByte(char* dst, const WCHAR* src, size_t capacity);

// The arguments the program was started with, after its own name, into
// `arguments` (`capacity` of them at most). `argc` and `argv` are what
// main received: Linux reads them as UTF-8 (a byte that is not becomes
// U+FFFD); Windows ignores them and splits its own wide command line as
// CommandLineToArgvW does. Returns the count, or -1 when there are more
// than `capacity` or one does not fit MAX_TEXT characters.
int GetProgramArguments(int argc, char** argv, WCHAR (*arguments)[MAX_TEXT], int capacity);

// Writes text to the standard output or error, as UTF-8 where that is 8-bit.
// A Windows program started from a console writes to that console. Nothing
// happens where there is nowhere to write.
constexpr DWORD STD_OUTPUT = 1;
constexpr DWORD STD_ERROR = 2;
void WriteStandardText(DWORD stream, const WCHAR* text);
