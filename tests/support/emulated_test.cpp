#include "tests/support/emulated_test.h"

#include "app/resource.h"
#include "app/shell.h"
#include "platform/window.h"

// ResetProgramGlobals is in program_globals.cpp, which tests without the
// emulated serial library build on their own.

void EmulatedTest::SetUp() {
    EmuReset();
    ResetProgramGlobals();
}

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

HWND CreateMainDialog() { return CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, MainDialogProc, 0); }
