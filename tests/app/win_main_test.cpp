#include <gtest/gtest.h>

#include "app/shell.h"
#include "base/resource.h"
#include "platform/window.h"
#include "tests/support/emulated_test.h"

namespace {

class WinMainTest : public EmulatedTest {
  protected:
    // Lets the started program run until the user closes it at `at`.
    int RunUntilClosed(DWORD at) {
        EmuSchedule(at, [] { PostMessageW(EmuDialog(), WM_CLOSE, 0, 0); });
        return WinMain(&g_moduleResources, nullptr, u"", SW_SHOW);
    }
};

// The first copy is found by its title, whatever its window class.
TEST_F(WinMainTest, SecondStartBringsTheHiddenFirstCopyToTheFrontAndCreatesNothing) {
    for (const char16_t* windowClass : {u"Dialog", u"#32770", u"Fl_Window"}) {
        SCOPED_TRACE(std::string(windowClass, windowClass + 2));
        EmuReset();
        HWND firstCopy = EmuAddWindow(u"Tastra v1.00", windowClass);
        ShowWindow(firstCopy, SW_HIDE);
        EmuSetForeground(EmuAddWindow(u"Editor", u"Notepad"));
        EXPECT_EQ(WinMain(&g_moduleResources, nullptr, u"", SW_SHOW), 0);
        EXPECT_TRUE(EmuWindowVisible(firstCopy));
        EXPECT_EQ(GetForegroundWindow(), firstCopy);
        EXPECT_EQ(EmuDialog(), 0) << "the second copy must not create a dialog";
    }
}

TEST_F(WinMainTest, TheTextsComeFromTheInstanceThatStartedTheProgram) {
    g_hInstance = nullptr;  // as at process start
    RunUntilClosed(10);
    EXPECT_EQ(g_hInstance, &g_moduleResources);
    EXPECT_EQ(EmuControlText(IDC_CONNECT), u"Connect");
}

TEST_F(WinMainTest, ATitleThatOnlyResemblesTheProgramsDoesNotCount) {
    EmuAddWindow(u"Tastra v1.0", u"Dialog");
    EmuAddWindow(u"tastra v1.00", u"Dialog");
    EXPECT_EQ(RunUntilClosed(50), 0);
    EXPECT_NE(EmuDialog(), 0);
}

TEST_F(WinMainTest, EveryGermanLanguageGivesGermanTextsAndAnyOtherEnglish) {
    // Primary language 7 in the low 8 bits: German of any region.
    const std::pair<LANGID, bool> cases[] = {{0x0407, true},  {0x0807, true},  {0x0C07, true},  {0x1007, true},
                                             {0x1407, true},  {0x0007, true},  {0x0409, false}, {0x0809, false},
                                             {0x040C, false}, {0x0410, false}, {0x0413, false}, {0x0417, false},
                                             {0x0447, false}, {0x0000, false}};
    for (auto [language, isGerman] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << language);
        EmuReset();
        ResetProgramGlobals();
        EmuSetLanguage(language);
        RunUntilClosed(10);
        EXPECT_EQ(g_langOffset, isGerman ? 1 : 0);
        EXPECT_EQ(EmuControlText(IDC_CONNECT), isGerman ? u"Verbinden" : u"Connect");
        EXPECT_EQ(EmuControlText(IDC_STATUS), isGerman ? u"Verbindung ist geschlossen!" : u"Connection is closed!");
    }
}

TEST_F(WinMainTest, StartShowsTheDialogAndTheLoopEndsWithZeroWhenClosed) {
    EXPECT_EQ(RunUntilClosed(500), 0);
    HWND dialog = EmuDialog();
    ASSERT_NE(dialog, 0);
    EXPECT_TRUE(EmuWindowVisible(dialog));
    EXPECT_EQ(EmuWindowText(dialog), u"Tastra v1.00");
    EXPECT_FALSE(EmuLoopStarved()) << "the loop must end on the quit message";
    EXPECT_EQ(EmuNow(), 500u);
}

TEST_F(WinMainTest, ADialogThatCannotBeCreatedIsReportedAndEndsTheProgram) {
    EmuFailDialogCreation(true);
    EXPECT_NE(WinMain(&g_moduleResources, nullptr, u"", SW_SHOW), 0);
    EXPECT_FALSE(EmuLastMessageBox().empty());
    EXPECT_FALSE(EmuLoopStarved()) << "no loop may run without a dialog";
}

TEST_F(WinMainTest, TheDialogsKeyboardNavigationRunsBeforeDispatch) {
    EmuSchedule(10, [] { EmuPressKey(VK_TAB); });
    int focusAfterTab = 0;
    EmuSchedule(20, [&] { focusAfterTab = EmuFocusedControl(); });
    RunUntilClosed(30);
    EXPECT_EQ(focusAfterTab, IDC_CONNECT) << "Tab moves from the port list to the next tab stop";
    for (const EmuMessage& m : EmuMessageLog())
        EXPECT_NE(m.message, WM_CHAR) << "the loop translates nothing";
}

}  // namespace
