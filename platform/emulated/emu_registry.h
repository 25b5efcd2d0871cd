// The emulated registry: typed values under HKEY_LOCAL_MACHINE, loadable
// from registry export text, with a count of open keys.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

void EmuResetRegistry();

// Paths are relative to HKEY_LOCAL_MACHINE, components separated by backslashes.
void EmuRegCreateKey(const std::u16string& path);
void EmuRegSetValue(const std::u16string& path, const std::u16string& name, DWORD type,
                    const std::vector<BYTE>& data);
void EmuRegSetString(const std::u16string& path, const std::u16string& name, const std::u16string& text);
void EmuRegSetDword(const std::u16string& path, const std::u16string& name, DWORD value);
// The key exists (it is enumerated) but opening it fails.
void EmuRegDenyOpen(const std::u16string& path);

// Loads registry export text ("Windows Registry Editor Version 5.00" or
// "REGEDIT4"). Returns true, or false with `error` naming the line and reason.
bool EmuRegLoadText(const std::string& text, std::string* error);
bool EmuRegLoadFile(const std::string& path, std::string* error);

// Keys opened and not yet closed (HKEY_LOCAL_MACHINE itself never counts).
int EmuRegOpenKeyCount();
