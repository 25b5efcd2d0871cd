#include "tests/support/emulated_test.h"

#include "app/options.h"
#include "app/shell.h"
#include "base/resource.h"
#include "keys/function_keys.h"
#include "keys/input_translation.h"
#include "link/bt_provisioning.h"
#include "platform/window.h"

void ResetProgramGlobals() {
    g_hInstance = &g_moduleResources;
    g_langOffset = 0;
    g_hPort = INVALID_HANDLE_VALUE;
    ResetTerminalInput();
    g_hIncomingDevice = INVALID_HANDLE_VALUE;
    g_hOutgoingDevice = INVALID_HANDLE_VALUE;
    g_rotationSupport = 255;
    g_startOptions = StartOptions{};
}

void EmulatedTest::SetUp() {
    EmuReset();
    ResetProgramGlobals();
}

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

HWND CreateMainDialog() { return CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, MainDialogProc, 0); }

const DialogTexts ENGLISH = {u"Connect", u"Disconnect", u"Minimise", u"Terminal is connected!"};
const DialogTexts GERMAN = {u"Verbinden", u"Schliessen", u"Minimieren", u"Terminal ist verbunden!"};

void ExpectConnectedState(const DialogTexts& texts) {
    EXPECT_FALSE(EmuControlEnabled(IDC_PORT));
    EXPECT_FALSE(EmuControlVisible(IDC_BAUD));
    EXPECT_FALSE(EmuControlVisible(IDC_BAUD_LABEL));
    EXPECT_TRUE(EmuControlVisible(IDC_SETTINGS));
    EXPECT_EQ(EmuControlText(IDC_SETTINGS), texts.minimise);
    EXPECT_EQ(EmuControlText(IDC_CONNECT), texts.disconnect);
    EXPECT_EQ(EmuControlText(IDC_STATUS), texts.connected);
}

void ExpectIdlePlainState(const DialogTexts& texts) {
    EXPECT_TRUE(EmuControlEnabled(IDC_PORT));
    EXPECT_TRUE(EmuControlVisible(IDC_BAUD));
    EXPECT_TRUE(EmuControlVisible(IDC_BAUD_LABEL));
    EXPECT_FALSE(EmuControlVisible(IDC_SETTINGS));
    EXPECT_EQ(EmuControlText(IDC_CONNECT), texts.connect);
}
