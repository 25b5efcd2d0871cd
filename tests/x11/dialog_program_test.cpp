// The program's start on a real X server: WinMain shows the initialised
// dialog in the platform's language; a second start raises the first copy.
// gtest before Xlib, whose macros (None, Bool) clash with it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/x.H>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "app/shell.h"
#include "base/resource.h"
#include "platform/fltk/dialog.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/x11/dialog_support.h"

extern char** environ;

namespace {

const char kTitle[] = "Tastra v1.00";

pid_t StartProgram() {
    const char* argv[] = {TASTRA_PROGRAM, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, TASTRA_PROGRAM, nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return -1;
    return pid;
}

// Waits for the process to end with FLTK's loop running; its exit code or -1.
int WaitForExit(pid_t pid, double seconds = 20.0) {
    int status = 0;
    bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void UseLanguage(const char* lang) {
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", lang, 1);
}

// What a check inside the running WinMain saw; the check then closes the dialog.
struct Seen {
    bool shown = false;
    std::u16string connect, status, caption;
    std::u16string speeds[8];
    LRESULT speedCount = 0, speedSelection = 0;
    int x = 0, width = 0;
};
Seen g_seen;

void InspectRunningDialog(void*) {
    HWND dialog = FltkDialogWindow();
    if (dialog == 0 || !IsMapped(dialog) || ActiveWindow() != dialog) {
        Fl::repeat_timeout(0.02, InspectRunningDialog);
        return;
    }
    g_seen.shown = true;
    g_seen.connect = Text(dialog, IDC_CONNECT);
    g_seen.status = Text(dialog, IDC_STATUS);
    g_seen.speedCount = SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETCOUNT, 0, 0);
    g_seen.speedSelection = SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETCURSEL, 0, 0);
    for (int i = 0; i < 8; ++i) {
        WCHAR item[MAX_TEXT] = {};
        SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        g_seen.speeds[i] = item;
    }
    std::string caption = WindowName(dialog);
    g_seen.caption = std::u16string(caption.begin(), caption.end());
    int y = 0, h = 0;
    Geometry(dialog, &g_seen.x, &y, &g_seen.width, &h);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

int RunWinMain() {
    g_seen = Seen{};
    Fl::add_timeout(0.0, InspectRunningDialog);
    int result = WinMain(&g_moduleResources, nullptr, u"", SW_SHOW);
    Fl::remove_timeout(InspectRunningDialog);
    FltkDestroyDialog();
    return result;
}

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fl_open_display();
        ASSERT_EQ(CountWindowsTitled(kTitle), 0) << "a copy from an earlier test still runs";
    }
    void TearDown() override {
        FltkDestroyDialog();
        UseLanguage("C.UTF-8");
    }
};

TEST_F(ProgramTest, WinMainShowsTheInitialisedDialogCentred) {
    UseLanguage("en_GB.UTF-8");
    EXPECT_EQ(RunWinMain(), 0);
    ASSERT_TRUE(g_seen.shown);
    EXPECT_EQ(g_seen.connect, u"Connect");
    EXPECT_EQ(g_seen.status, u"Connection is closed!");
    EXPECT_EQ(g_seen.caption, u"Tastra v1.00");
    EXPECT_EQ(g_seen.speedCount, 8);
    EXPECT_EQ(g_seen.speedSelection, 0);
    const char16_t* expected[] = {u"2400", u"4800", u"9600", u"19200", u"33600", u"38400", u"56700", u"115200"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(g_seen.speeds[i], expected[i]) << i;
    int centre = g_seen.x + g_seen.width / 2;
    EXPECT_NEAR(centre, Fl::w() / 2, 2);
}

TEST_F(ProgramTest, GermanLocaleGivesGermanTexts) {
    UseLanguage("de_AT.UTF-8");
    EXPECT_EQ(RunWinMain(), 0);
    ASSERT_TRUE(g_seen.shown);
    EXPECT_EQ(g_seen.connect, u"Verbinden");
    EXPECT_EQ(g_seen.status, u"Verbindung ist geschlossen!");
}

TEST_F(ProgramTest, SecondStartEndsAndRaisesTheHiddenFirstCopy) {
    UseLanguage("C.UTF-8");
    g_hInstance = &g_moduleResources;
    HWND dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, MainDialogProc, 0);
    ASSERT_NE(dialog, 0);
    ShowWindow(dialog, SW_SHOWNORMAL);
    ASSERT_TRUE(WaitFor([&] { return IsMapped(dialog); }));
    // What the Minimise button and PF1 do.
    ShowWindow(dialog, SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsMapped(dialog); }));

    pid_t second = StartProgram();
    ASSERT_GT(second, 0);
    EXPECT_EQ(WaitForExit(second), 0);
    EXPECT_TRUE(WaitFor([&] { return IsMapped(dialog) && ActiveWindow() == dialog && IsWindowVisible(dialog); }));
    EXPECT_EQ(CountWindowsTitled(kTitle), 1);
}

TEST_F(ProgramTest, TwoProgramsMakeOneWindowAndTheCloseBoxEndsIt) {
    pid_t first = StartProgram();
    ASSERT_GT(first, 0);
    HWND window = 0;
    ASSERT_TRUE(WaitFor([&] { return CountWindowsTitled(kTitle, &window) > 0 && IsMapped(window); }));
    pid_t second = StartProgram();
    EXPECT_EQ(WaitForExit(second), 0);
    EXPECT_EQ(CountWindowsTitled(kTitle), 1);
    EXPECT_TRUE(WaitFor([&] { return ActiveWindow() == window; }));

    SendDeleteWindow(window);
    EXPECT_EQ(WaitForExit(first), 0);
}

}  // namespace
