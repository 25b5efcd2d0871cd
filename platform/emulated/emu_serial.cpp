// Implements platform/serial.h on the emulated handheld (placeholder until the terminal link lands).
#include "platform/emulated/emu_serial.h"

namespace {
std::vector<EmuWrite> g_noWrites;
}

void EmuResetSerial() {}
void EmuSerialAddEndpoint(const std::u16string&) {}
void EmuSerialFailOpen(const std::u16string&, int) {}
void EmuSerialFailWrites(const std::u16string&, bool) {}
void EmuSerialFailReads(const std::u16string&, bool) {}
void EmuSerialArrive(const std::u16string&, DWORD, const std::vector<BYTE>&) {}
const std::vector<EmuWrite>& EmuSerialWrites(const std::u16string&) { return g_noWrites; }
std::vector<BYTE> EmuSerialWrittenBytes(const std::u16string&) { return {}; }
int EmuSerialOpenCount(const std::u16string&) { return 0; }
int EmuSerialCloseCount(const std::u16string&) { return 0; }
bool EmuSerialIsOpen(const std::u16string&) { return false; }
DCB EmuSerialLastDcb(const std::u16string&) { return DCB{}; }
COMMTIMEOUTS EmuSerialLastTimeouts(const std::u16string&) { return COMMTIMEOUTS{}; }
size_t EmuSerialPending(const std::u16string&) { return 0; }
void EmuSerialPassThrough(const std::u16string&, const std::string&) {}

HANDLE CreateFileW(const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
BOOL SetCommState(HANDLE, const DCB*) { return FALSE; }
BOOL SetCommTimeouts(HANDLE, const COMMTIMEOUTS*) { return FALSE; }
BOOL ReadFile(HANDLE, void*, DWORD, DWORD* transferred, void*) {
    if (transferred) *transferred = 0;
    return FALSE;
}
BOOL WriteFile(HANDLE, const void*, DWORD, DWORD* transferred, void*) {
    if (transferred) *transferred = 0;
    return FALSE;
}
BOOL CloseHandle(HANDLE) { return FALSE; }
