// Implements process start of platform/system.h on the emulated handheld.
#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_system.h"
#include "platform/emulated/emu_window.h"
#include "platform/system.h"

namespace {
struct ProcessWindow {
    std::u16string image;
    std::u16string className;
    DWORD opensAfter;
    DWORD closesAfter;
};

struct ProcessState {
    std::vector<EmuProcess> started;
    std::vector<ProcessWindow> windows;
    bool failNextStart = false;
};
ProcessState g_processes;
}  // namespace

void EmuResetProcesses() { g_processes = ProcessState(); }
const std::vector<EmuProcess>& EmuStartedProcesses() { return g_processes.started; }
void EmuFailProcessStart(bool fail) { g_processes.failNextStart = fail; }

void EmuProcessWindow(const WCHAR* image, const WCHAR* className, DWORD opensAfter, DWORD closesAfter) {
    g_processes.windows.push_back(ProcessWindow{image, className, opensAfter, closesAfter});
}

BOOL CreateProcessW(const WCHAR* image, const WCHAR* commandLine, DWORD creationFlags) {
    if (image == nullptr) return FALSE;
    if (g_processes.failNextStart) {
        g_processes.failNextStart = false;
        return FALSE;
    }
    DWORD now = EmuNow();
    g_processes.started.push_back(EmuProcess{image, commandLine ? commandLine : u"", creationFlags, now});
    for (const ProcessWindow& w : g_processes.windows)
        if (w.image == image)
            EmuAddWindow(image, w.className.c_str(), now + w.opensAfter,
                         w.closesAfter == EMU_NEVER ? EMU_NEVER : now + w.closesAfter);
    return TRUE;
}
