// The registry, read only: keys under HKEY_LOCAL_MACHINE with typed values.
//
// Every key opened with RegOpenKeyExW must be closed with RegCloseKey by the
// caller. Failures are non-zero error codes; nothing is written.
#pragma once

#include "platform/types.h"

constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002);

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Opens `subKey` below `parent` (an open key or HKEY_LOCAL_MACHINE). The
// path's components are separated by single backslashes and match key names
// without regard to case (as WCompareNoCase); one trailing backslash is
// ignored and an empty or null path opens `parent` again, but any other
// empty component (a leading or doubled backslash) names no key:
// ERROR_FILE_NOT_FOUND. `options` must be 0 (else ERROR_INVALID_PARAMETER).
// On success *result holds a key the caller closes; on failure *result is
// left unchanged. A closed key's handle is ERROR_INVALID_HANDLE to every
// call, until a backend that reuses handle values hands it out again.
LONG RegOpenKeyExW(HKEY parent, const WCHAR* subKey, DWORD options, DWORD access, HKEY* result);

// The name of the subkey at `index`. *nameChars is the buffer's capacity in
// characters (terminator included) on entry and the name's length without
// terminator on success. ERROR_NO_MORE_ITEMS past the last subkey;
// ERROR_MORE_DATA when the name does not fit.
LONG RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameChars);

// A value's type and data. *dataBytes is the buffer's size on entry and the
// value's size on return. Text values are stored with the terminator the
// writer gave them (or without). ERROR_MORE_DATA when the data does not fit;
// ERROR_FILE_NOT_FOUND when there is no such value. `type` and `data` may be
// nullptr.
LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes);

LONG RegCloseKey(HKEY key);
