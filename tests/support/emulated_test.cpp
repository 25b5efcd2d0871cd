#include "tests/support/emulated_test.h"

#include "app/resource.h"
#include "app/shell.h"
#include "platform/window.h"
#include "keys/function_keys.h"
#include "link/bt_provisioning.h"

void ResetProgramGlobals() {
    g_hInstance = &g_moduleResources;
    g_langOffset = 0;
    g_hPort = INVALID_HANDLE_VALUE;
    g_hIncomingDevice = INVALID_HANDLE_VALUE;
    g_hOutgoingDevice = INVALID_HANDLE_VALUE;
    g_rotationSupport = 255;
}

void EmulatedTest::SetUp() {
    EmuReset();
    ResetProgramGlobals();
}

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

HWND CreateMainDialog() { return CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, MainDialogProc, 0); }
