// Implements process start of platform/system.h on the emulated handheld (placeholder until the terminal link lands).
#include "platform/emulated/emu_system.h"
#include "platform/system.h"

namespace {
std::vector<EmuProcess> g_processes;
}

void EmuResetProcesses() { g_processes.clear(); }
const std::vector<EmuProcess>& EmuStartedProcesses() { return g_processes; }
void EmuFailProcessStart(bool) {}
void EmuProcessWindow(const WCHAR*, const WCHAR*, DWORD, DWORD) {}

BOOL CreateProcessW(const WCHAR*, const WCHAR*, DWORD) { return FALSE; }
