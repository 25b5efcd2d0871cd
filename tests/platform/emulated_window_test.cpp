// The emulated window manager is the bench every rule test stands on; these
// check the behaviours the rules rely on.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "base/resource.h"
#include "platform/window.h"
#include "tests/support/emulated_test.h"

namespace {

int g_ticks = 0;
INT_PTR CountingProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_TIMER) ++g_ticks;
    return TRUE;
}

class EmulatedWindowTest : public EmulatedTest {
  protected:
    void SetUp() override {
        EmulatedTest::SetUp();
        g_ticks = 0;
        dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, CountingProc, 0);
        ASSERT_NE(dialog, 0);
    }
    void Add(const char16_t* text) {
        SendDlgItemMessageW(dialog, IDC_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    HWND dialog = 0;
};

TEST_F(EmulatedWindowTest, TimersTickOnTheVirtualClockUntilKilled) {
    ASSERT_EQ(SetTimer(dialog, 1, 100, nullptr), 1u);
    EmuRunFor(350);
    EXPECT_EQ(g_ticks, 3);
    KillTimer(dialog, 1);
    EmuRunFor(1000);
    EXPECT_EQ(g_ticks, 3);
    EmuFailTimers(true);
    EXPECT_EQ(SetTimer(dialog, 1, 100, nullptr), 0u);
}

TEST_F(EmulatedWindowTest, ALoopWithNothingToWaitForEndsInsteadOfHanging) {
    MSG m;
    EXPECT_FALSE(GetMessageW(&m, 0, 0, 0));
    EXPECT_TRUE(EmuLoopStarved());
}

TEST_F(EmulatedWindowTest, WindowsExistOnlyDuringTheirTime) {
    EmuAddWindow(u"Bluetooth", u"CPL_Bluetooth", 300, 700);
    EXPECT_EQ(FindWindowW(u"CPL_Bluetooth", nullptr), 0);
    EmuAdvance(300);
    EXPECT_NE(FindWindowW(u"CPL_Bluetooth", nullptr), 0);
    EmuAdvance(400);
    EXPECT_EQ(FindWindowW(u"CPL_Bluetooth", nullptr), 0);
}

TEST_F(EmulatedWindowTest, HidingTheForegroundWindowActivatesTheNextOne) {
    HWND editor = EmuAddWindow(u"Editor", u"Notepad");
    EmuSetForeground(editor);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_EQ(GetForegroundWindow(), dialog);
    ShowWindow(dialog, SW_HIDE);
    EXPECT_EQ(GetForegroundWindow(), editor);
    EXPECT_EQ(GetForegroundKeyboardTarget(), editor);
    EmuFailKeyboardTarget(true);
    EXPECT_EQ(GetForegroundKeyboardTarget(), -1);
}

TEST_F(EmulatedWindowTest, MessagesToAVanishedWindowAreLoggedAsLost) {
    HWND editor = EmuAddWindow(u"Editor", u"Notepad");
    EmuCloseOnWmClose(editor, true);
    SendMessageW(editor, WM_CLOSE, 0, 0);
    EXPECT_FALSE(EmuWindowExists(editor));
    EXPECT_FALSE(PostMessageW(editor, WM_DESTROY, 0, 0));
    ASSERT_EQ(EmuMessageLog().size(), 2u);
    EXPECT_TRUE(EmuMessageLog()[0].delivered);
    EXPECT_FALSE(EmuMessageLog()[1].delivered);
}

}  // namespace
