#include "keys/function_keys.h"

#include <algorithm>
#include <cstring>

#include "app/shell.h"
#include "base/resource.h"
#include "keys/input_translation.h"
#include "platform/display.h"
#include "platform/emulated/emu_display.h"
#include "platform/emulated/emu_sip.h"
#include "platform/emulated/emu_window.h"
#include "platform/sip.h"
#include "platform/window.h"
#include "tests/keys/key_test.h"

namespace {

const std::string PF1 = "\x1bOP";
const std::string PF2 = "\x1bOQ";
const std::string PF3 = "\x1bOR";
const std::string PF4 = "\x1bOS";

class FunctionKeysTest : public KeyTest {
  protected:
    void SetUp() override {
        KeyTest::SetUp();
        dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, MainDialogProc, 0);
        ASSERT_NE(dialog, 0);
        app = AddForegroundApp();
        EmuClearMessageLog();
    }
    // The keys arrive from the terminal, as in use.
    void Type(const std::string& bytes) {
        Arrive(bytes);
        PollTerminalInput(dialog, port);
    }
    int CountLogged(EmuMessageKind kind, HWND target, UINT message) {
        int n = 0;
        for (const EmuMessage& m : EmuMessageLog())
            if (m.kind == kind && m.target == target && m.message == message) ++n;
        return n;
    }
    HWND dialog = 0;
    HWND app = 0;
};

// ---- PF1 -------------------------------------------------------------------

TEST_F(FunctionKeysTest, Pf1HidesTheDialogInFrontAndShowsItAgain) {
    EmuSetForeground(dialog);
    Type(PF1);
    EXPECT_FALSE(EmuWindowVisible(dialog));
    EXPECT_NE(GetForegroundWindow(), dialog);
    Type(PF1);
    EXPECT_TRUE(EmuWindowVisible(dialog));
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_EQ(EmuTopWindow(), dialog);
}

TEST_F(FunctionKeysTest, Pf1BringsAVisibleDialogBehindAnotherAppToTheFront) {
    ASSERT_TRUE(EmuWindowVisible(dialog));
    ASSERT_EQ(GetForegroundWindow(), app);
    Type(PF1);
    EXPECT_TRUE(EmuWindowVisible(dialog));
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_TRUE(KeysPostedTo(app).empty());
}

// ---- PF2 -------------------------------------------------------------------

// PF2 shows a hidden keyboard and hides a shown one, releasing a lock; twice restores it.
TEST_F(FunctionKeysTest, Pf2TurnsTheKeyboardOverAndReleasesALock) {
    const struct {
        DWORD before, after;
    } cases[] = {{0, SIPF_ON}, {SIPF_ON, 0}, {SIPF_ON | SIPF_LOCKED, 0}, {SIPF_LOCKED, SIPF_ON}};
    for (const auto& c : cases) {
        EmuSetSipFlags(c.before);
        Type(PF2);
        EXPECT_EQ(EmuSipFlags(), c.after) << "from " << c.before;
    }
    EXPECT_TRUE(KeysPostedTo(app).empty());
}

TEST_F(FunctionKeysTest, Pf2PassesBackTheQueriedRecord) {
    SIPINFO queried{};
    queried.cbSize = sizeof(SIPINFO);
    EmuSetSipFlags(SIPF_ON);
    ASSERT_TRUE(SHSipInfo(SPI_GETSIPINFO, 0, &queried, 0));
    Type(PF2);
    ASSERT_EQ(EmuSipSets().size(), 1u);
    SIPINFO applied = EmuSipSets()[0];
    EXPECT_EQ(applied.cbSize, 48u);
    EXPECT_EQ(applied.fdwFlags, 0u);
    applied.fdwFlags = queried.fdwFlags;
    EXPECT_EQ(std::memcmp(&applied, &queried, sizeof(SIPINFO)), 0);
}

TEST_F(FunctionKeysTest, Pf2AfterAFailedQueryShowsTheKeyboard) {
    EmuSetSipFlags(SIPF_ON);
    EmuFailSipQuery(true);
    Type(PF2);
    ASSERT_EQ(EmuSipSets().size(), 1u);
    SIPINFO expected{};
    expected.cbSize = 48;
    expected.fdwFlags = SIPF_ON;
    EXPECT_EQ(std::memcmp(&EmuSipSets()[0], &expected, sizeof(SIPINFO)), 0);
    EXPECT_EQ(EmuSipFlags(), SIPF_ON);
}

// ---- PF3 -------------------------------------------------------------------

// Everything of the record but its size, fields and orientation is zero.
void ExpectCleared(const DEVMODEW& passed, DWORD fields, DWORD orientation) {
    DEVMODEW expected;
    std::memset(&expected, 0, sizeof expected);
    expected.dmSize = 192;
    expected.dmFields = fields;
    expected.dmDisplayOrientation = orientation;
    EXPECT_EQ(std::memcmp(&passed, &expected, sizeof expected), 0);
}

TEST_F(FunctionKeysTest, Pf3WithoutSupportDoesNothingAndTestsOnce) {
    EmuSetRotationSupported(false);
    Type(PF3 + PF3);
    EXPECT_EQ(g_rotationSupport, 0);
    EXPECT_EQ(EmuOrientation(), DMDO_0);
    EXPECT_EQ(EmuDisplayTestCount(), 1);
    ASSERT_EQ(EmuDisplayCalls().size(), 1u);
    const EmuDisplayCall& test = EmuDisplayCalls()[0];
    EXPECT_EQ(test.flags, CDS_TEST);
    EXPECT_FALSE(test.deviceNameGiven);
    EXPECT_EQ(test.window, 0);
    EXPECT_FALSE(test.paramGiven);
    ExpectCleared(test.mode, DM_DISPLAYQUERYORIENTATION, 0);
    EXPECT_EQ(CountLogged(EMU_POSTED, dialog, WM_SETTINGCHANGE), 0);
}

TEST_F(FunctionKeysTest, Pf3TurnsBetweenNormalAnd270) {
    Type(PF3);
    EXPECT_EQ(EmuOrientation(), DMDO_270);
    EXPECT_EQ(g_rotationSupport, 1);
    Type(PF3);
    EXPECT_EQ(EmuOrientation(), DMDO_0);
    EXPECT_EQ(EmuDisplayTestCount(), 1);
    EXPECT_EQ(CountLogged(EMU_POSTED, dialog, WM_SETTINGCHANGE), 2);
    EXPECT_TRUE(KeysPostedTo(app).empty());

    // test, read, set, read, set: each record cleared but for what it asks
    const std::vector<EmuDisplayCall>& calls = EmuDisplayCalls();
    ASSERT_EQ(calls.size(), 5u);
    ExpectCleared(calls[0].mode, DM_DISPLAYQUERYORIENTATION, 0);
    ExpectCleared(calls[1].mode, DM_DISPLAYORIENTATION, 0);
    EXPECT_EQ(calls[1].flags, CDS_TEST);
    ExpectCleared(calls[2].mode, DM_DISPLAYORIENTATION, DMDO_270);
    EXPECT_EQ(calls[2].flags, CDS_RESET);
    EXPECT_EQ(calls[4].flags, CDS_RESET);
    for (const EmuDisplayCall& c : calls) {
        EXPECT_FALSE(c.deviceNameGiven);
        EXPECT_EQ(c.window, 0);
        EXPECT_FALSE(c.paramGiven);
    }
}

TEST_F(FunctionKeysTest, Pf3LeadsOtherOrientationsBackToNormal) {
    for (DWORD from : {DMDO_90, DMDO_180}) {
        EmuSetOrientation(from);
        Type(PF3);
        EXPECT_EQ(EmuOrientation(), DMDO_0) << "from " << from;
    }
}

TEST_F(FunctionKeysTest, Pf3SettingChangeRecentresTheDialog) {
    RECT before = EmuWindowRect(dialog);
    ASSERT_NE(before.left, 0);
    SetWindowPos(dialog, HWND_TOP, 0, before.top, before.right - before.left, before.bottom - before.top, 0);
    Type(PF3);
    EmuRunPending();
    EXPECT_EQ(EmuWindowRect(dialog).left, before.left);
}

TEST_F(FunctionKeysTest, CapabilityIsCachedOnceTested) {
    EXPECT_EQ(CanRotateDisplay(), 1);
    EmuSetRotationSupported(false);
    EXPECT_EQ(CanRotateDisplay(), 1);
    EXPECT_EQ(EmuDisplayTestCount(), 1);
}

TEST_F(FunctionKeysTest, OrientationReadsZeroWithoutSupport) {
    EmuSetOrientation(DMDO_90);
    EmuSetRotationSupported(false);
    EXPECT_EQ(GetDisplayOrientation(), 0);
    SetDisplayOrientation(DMDO_270);
    EXPECT_EQ(EmuOrientation(), DMDO_90);
    EXPECT_EQ(EmuDisplayCalls().size(), 1u);  // the capability test only
}

// ---- PF4 -------------------------------------------------------------------

TEST_F(FunctionKeysTest, Pf4ClosesTheForegroundApp) {
    EmuCloseOnWmClose(app, true);
    Type("a" + PF4 + "b");
    EXPECT_FALSE(EmuWindowExists(app));
    const std::vector<EmuMessage>& log = EmuMessageLog();
    auto close = std::find_if(log.begin(), log.end(), [&](const EmuMessage& m) { return m.message == WM_CLOSE; });
    ASSERT_NE(close, log.end());
    EXPECT_EQ(close->kind, EMU_SENT);
    EXPECT_EQ(close->target, app);
    EXPECT_EQ(close->wParam, 0u);
    EXPECT_EQ(close->lParam, 0);
    ASSERT_NE(close + 1, log.end());
    EXPECT_EQ((close + 1)->kind, EMU_POSTED);
    EXPECT_EQ((close + 1)->target, app);
    EXPECT_EQ((close + 1)->message, WM_DESTROY);
    // The rest of the tick still goes to the target queried before the close.
    EXPECT_EQ(KeysPostedTo(app), Char('a') + Char('b'));
}

TEST_F(FunctionKeysTest, Pf4ToAnAppThatStaysStillPostsDestroy) {
    Type(PF4);
    EXPECT_TRUE(EmuWindowExists(app));
    EXPECT_EQ(CountLogged(EMU_SENT, app, WM_CLOSE), 1);
    EXPECT_EQ(CountLogged(EMU_POSTED, app, WM_DESTROY), 1);
}

TEST_F(FunctionKeysTest, Pf4WithoutForegroundWindowDoesNothing) {
    EmuSetForeground(0);
    EmuSetKeyboardTarget(app);
    Type(PF4);
    EXPECT_TRUE(EmuMessageLog().empty());
}

TEST_F(FunctionKeysTest, Pf4OnTheOwnDialogClosesTheProgram) {
    g_hPort = port;
    EmuSetForeground(dialog);
    Type(PF4);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    int strayBefore = EmuSerialStrayCalls();

    EXPECT_GE(EmuRunPending(), 1);  // the posted WM_DESTROY
    EXPECT_EQ(CountLogged(EMU_SENT, dialog, WM_CLOSE), 1);
    EXPECT_EQ(CountLogged(EMU_POSTED, dialog, WM_DESTROY), 1);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    // The second message found no port: nothing touched the closed one again.
    EXPECT_EQ(EmuSerialStrayCalls(), strayBefore);
    EXPECT_EQ(EmuSerialCloseCount(TERMINAL), 1);  // by the close request

    MSG quit{};
    EXPECT_FALSE(GetMessageW(&quit, 0, 0, 0));
    EXPECT_EQ(quit.message, WM_QUIT);
    EXPECT_FALSE(EmuLoopStarved());
}

TEST_F(FunctionKeysTest, Pf4OnTheOwnDialogEndsTheTick) {
    g_hPort = port;
    EmuSetForeground(dialog);
    int strayBefore = EmuSerialStrayCalls();
    // A trailing ESC would wait for the rest of its sequence and read again.
    Type(PF4 + "x" + "\x1b");
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialCloseCount(TERMINAL), 1);
    EXPECT_EQ(EmuSerialStrayCalls(), strayBefore) << "the closed port was used again";
    for (const EmuMessage& m : EmuMessageLog())
        EXPECT_TRUE(m.message != WM_CHAR && m.message != WM_KEYDOWN) << "translated after the close: " << m.message;
}

}  // namespace
