// The emulated registry: typed values under HKEY_LOCAL_MACHINE, loadable
// from registry export text, with a count of open keys.
//
// Key and value names match without regard to case, as on the handheld;
// subkeys and values enumerate in the order they were created. Handles are
// never reused, so a stale handle is always unknown.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

void EmuResetRegistry();

// Paths are relative to HKEY_LOCAL_MACHINE, components separated by backslashes.
// The key is returned as a number, valid until the next reset, that the `...At`
// calls take in place of its path: for callers that build thousands of keys a
// second under long paths.
int EmuRegCreateKey(const std::u16string& path);
int EmuRegCreateKeyAt(int key, std::u16string_view subPath);
// Stores `data` byte for byte: a REG_SZ may lack its terminator or have an odd size.
void EmuRegSetValue(const std::u16string& path, const std::u16string& name, DWORD type, const std::vector<BYTE>& data);
void EmuRegSetValueAt(int key, const std::u16string& name, DWORD type, const std::vector<BYTE>& data);
// A REG_SZ with its terminator, as regedit writes it: the bytes, and the value.
std::vector<BYTE> EmuRegStringBytes(const std::u16string& text);
void EmuRegSetString(const std::u16string& path, const std::u16string& name, const std::u16string& text);
void EmuRegSetDword(const std::u16string& path, const std::u16string& name, DWORD value);
// The key exists (it is enumerated) but opening it fails.
void EmuRegDenyOpen(const std::u16string& path);
void EmuRegDenyOpenAt(int key);
// Removes a key with everything below it; handles still open on it stop working.
void EmuRegDeleteKey(const std::u16string& path);
void EmuRegDeleteValue(const std::u16string& path, const std::u16string& name);

// Reading the store back, for tests of the loader.
bool EmuRegKeyExists(const std::u16string& path);
std::vector<std::u16string> EmuRegSubkeys(const std::u16string& path);
bool EmuRegGetValue(const std::u16string& path, const std::u16string& name, DWORD* type, std::vector<BYTE>* data);

// Loads registry export text ("Windows Registry Editor Version 5.00" or
// "REGEDIT4"; UTF-8, or UTF-16LE with its byte-order mark) under
// HKEY_LOCAL_MACHINE. Returns true, or false with `error` naming the line
// and reason; a failed load changes nothing.
bool EmuRegLoadText(const std::string& text, std::string* error);
bool EmuRegLoadFile(const std::string& path, std::string* error);

// Keys opened and not yet closed (HKEY_LOCAL_MACHINE itself never counts).
int EmuRegOpenKeyCount();
