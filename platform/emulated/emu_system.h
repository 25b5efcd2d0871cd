// The emulated system: language and started processes.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

void EmuResetSystem();
void EmuSetLanguage(LANGID language);
// Everything written to STD_OUTPUT or STD_ERROR since the reset.
const std::u16string& EmuStandardText(DWORD stream);

void EmuResetProcesses();
struct EmuProcess {
    std::u16string image;
    std::u16string commandLine;
    DWORD creationFlags;
    DWORD startedAt;
};
const std::vector<EmuProcess>& EmuStartedProcesses();
// The next process start fails (whatever its image).
void EmuFailProcessStart(bool fail);
// A started `image` opens a top-level window of `className` from
// `opensAfter` to `closesAfter` milliseconds after its start (EMU_NEVER: stays).
void EmuProcessWindow(const WCHAR* image, const WCHAR* className, DWORD opensAfter, DWORD closesAfter);
