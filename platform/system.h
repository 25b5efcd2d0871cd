// Sleep, the clock, the user's language, process start and 8-bit text.
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
