// Start values of the program's globals, apart from the emulated handheld so
// that tests with their own serial port can use it too.
#include "tests/support/emulated_test.h"

#include "app/shell.h"
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
