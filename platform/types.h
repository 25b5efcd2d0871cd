// Basic types shared by the core and every backend.
//
// The core keeps the handheld's vocabulary: 16-bit wide text, handles that are
// all bits set when they hold nothing, and window messages with two word
// parameters. A backend maps these onto its own system; it never changes them.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int BOOL;
typedef uint16_t LANGID;

// Wide text is UTF-16, as on the handheld: a character is 16 bits on every host.
typedef char16_t WCHAR;

// Handles are plain integers: 0 is "no window", -1 the invalid handle.
typedef intptr_t HANDLE;
typedef intptr_t HWND;
typedef intptr_t HKEY;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr HANDLE INVALID_HANDLE_VALUE = -1;

// Every text buffer holds this many characters, terminator included.
constexpr int MAX_TEXT = 260;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

constexpr WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
