// Implements platform/registry.h on the emulated handheld (placeholder until the port catalogue lands).
#include "platform/emulated/emu_registry.h"

#include "platform/registry.h"

void EmuResetRegistry() {}
void EmuRegCreateKey(const std::u16string&) {}
void EmuRegSetValue(const std::u16string&, const std::u16string&, DWORD, const std::vector<BYTE>&) {}
void EmuRegSetString(const std::u16string&, const std::u16string&, const std::u16string&) {}
void EmuRegSetDword(const std::u16string&, const std::u16string&, DWORD) {}
void EmuRegDenyOpen(const std::u16string&) {}
bool EmuRegLoadText(const std::string&, std::string* error) {
    if (error) *error = "not implemented";
    return false;
}
bool EmuRegLoadFile(const std::string&, std::string* error) {
    if (error) *error = "not implemented";
    return false;
}
int EmuRegOpenKeyCount() { return 0; }

LONG RegOpenKeyExW(HKEY, const WCHAR*, DWORD, DWORD, HKEY*) { return ERROR_FILE_NOT_FOUND; }
LONG RegEnumKeyExW(HKEY, DWORD, WCHAR*, DWORD*) { return ERROR_NO_MORE_ITEMS; }
LONG RegQueryValueExW(HKEY, const WCHAR*, DWORD*, BYTE*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
LONG RegCloseKey(HKEY) { return ERROR_INVALID_HANDLE; }
