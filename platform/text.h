// Wide-text routines: the standard string routines of the handheld's core
// library, for 16-bit text on any host.
//
// Every routine that writes takes the capacity of its destination in
// characters (terminator included), never writes past it and always
// terminates the result when the capacity is at least 1. Nothing allocates.
#pragma once

#include "platform/types.h"

// Length in characters, without the terminator.
int WLen(const WCHAR* s);

// Copies src into dst, cut to capacity - 1 characters. Returns dst.
WCHAR* WCopy(WCHAR* dst, const WCHAR* src, size_t capacity);

// Appends src to the text in dst, cut to fit. Returns dst.
WCHAR* WAppend(WCHAR* dst, const WCHAR* src, size_t capacity);

// Exact, case-sensitive comparisons: <0, 0, >0 like strcmp and strncmp.
int WCompare(const WCHAR* a, const WCHAR* b);
int WCompareN(const WCHAR* a, const WCHAR* b, size_t n);

// Case-insensitive comparison (ASCII and Latin-1 letters), the order of a sorted list.
int WCompareNoCase(const WCHAR* a, const WCHAR* b);

// The lower-case form that WCompareNoCase compares: ASCII and Latin-1
// capitals (not U+00D7) to their small letters; anything else as it is.
WCHAR WFoldCase(WCHAR c);

// First occurrence of needle in haystack, or nullptr. An empty needle matches at once.
const WCHAR* WFind(const WCHAR* haystack, const WCHAR* needle);

// Last occurrence of c in s, or nullptr.
const WCHAR* WFindLastChar(const WCHAR* s, WCHAR c);

// Formats like wsprintfW into dst (capacity in characters): %s takes a
// const WCHAR*, %d an int, %u an unsigned, %c a WCHAR (passed as int), %%
// a percent sign. Output is cut to fit. Returns the characters written.
int WFormat(WCHAR* dst, size_t capacity, const WCHAR* format, ...);

// Decimal text to number like _wtol: leading blanks, an optional sign, then
// digits up to the first non-digit. No digits give 0.
long WToLong(const WCHAR* s);

// The value of a hexadecimal digit (either case), or -1.
int WHexDigit(WCHAR c);

// Hexadecimal digits to number like wcstoul(s, 0, 16) limited to the first
// `digits` characters; stops at the first character that is no hex digit.
unsigned long long WHexToNumber(const WCHAR* s, int digits);

// 8-bit text to wide text (each byte taken as Latin-1), cut to fit.
WCHAR* WFromBytes(WCHAR* dst, const char* src, size_t capacity);

// Wide text to 8-bit text, cut to fit; for tests and diagnostics. Characters
// above 0xFF become '?'.
char* WToBytes(char* dst, const WCHAR* src, size_t capacity);
