// UTF-8 and UTF-16, for every backend that meets 8-bit text: window titles,
// toolkit labels, device names from D-Bus, registry files.
//
// Malformed UTF-8 (a stray continuation byte, a sequence cut short, an
// overlong form, a surrogate or a code point above U+10FFFF) and lone
// surrogates in UTF-16 become U+FFFD, one per bad byte or unit, so a
// conversion always yields text. Characters beyond the BMP are surrogate
// pairs in UTF-16. Nothing allocates.
#pragma once

#include <cstddef>

#include "platform/types.h"

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

struct Utf8Char {
    char32_t code;  // REPLACEMENT_CHARACTER when the bytes are malformed
    int length;     // bytes taken, at least 1
    bool valid;
};

// The character at the start of `s` (`n` >= 1 bytes).
Utf8Char DecodeUtf8Char(const char* s, size_t n);

// Writes `c` as 1 to 4 bytes into `out`; returns how many.
int EncodeUtf8Char(char32_t c, char out[4]);

// Writes `c` as 1 unit or a surrogate pair into `out`; returns how many.
int EncodeUtf16Char(char32_t c, WCHAR out[2]);

// The first `n` bytes of `src`, or fewer up to a zero byte, as UTF-16 in
// `dst` (capacity in units, terminator included). False when the text did
// not fit: `dst` then holds the characters that did, never half a pair.
bool Utf8ToUtf16(WCHAR* dst, size_t capacity, const char* src, size_t n);

// UTF-16 text to UTF-8 in `dst` (capacity in bytes, terminator included).
// False when it did not fit: `dst` then holds the characters that did, never
// part of one.
bool Utf16ToUtf8(char* dst, size_t capacity, const WCHAR* src);
