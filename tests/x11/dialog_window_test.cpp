// The FLTK dialog on a real X server: the template's controls, the combo box
// messages, the queue, timers, showing and hiding, keyboard navigation.
// gtest before Xlib, whose macros (None, Bool) clash with it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/x.H>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/resource.h"
#include "platform/common/settings_change.h"
#include "platform/fltk/dialog.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/x11/dialog_support.h"
#include "tests/x11/focus_support.h"

namespace {

std::vector<MSG> g_received;
HWND g_dialogAtInit = 0;
bool g_mappedAtInit = true;

INT_PTR RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        g_dialogAtInit = dialog;
        XWindowAttributes attributes{};
        g_mappedAtInit = !XGetWindowAttributes(TestDisplay(), static_cast<Window>(dialog), &attributes) ||
                         attributes.map_state != IsUnmapped;
    }
    g_received.push_back(MSG{dialog, message, wParam, lParam});
    return TRUE;
}

std::u16string Item(HWND dialog, int id, int index) {
    WCHAR text[MAX_TEXT] = u"?";
    SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

LRESULT Add(HWND dialog, int id, const WCHAR* text) {
    return SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

// The next message of the loop; message 0 when none comes in time.
MSG NextMessage(double seconds = 5.0) {
    MSG m{0, 0, 0, 0};
    auto giveUp = [](void* data) { PostMessageW(*static_cast<HWND*>(data), 0, 0, 0); };
    static HWND target;
    target = FltkDialogWindow();
    Fl::add_timeout(seconds, giveUp, &target);
    bool got = GetMessageW(&m, 0, 0, 0) != 0;
    Fl::remove_timeout(giveUp, &target);
    return got ? m : MSG{0, WM_QUIT, 0, 0};
}

class DialogWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fl_open_display();
        g_received.clear();
        dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, RecordingProc, 7);
        ASSERT_NE(dialog, 0);
    }
    void TearDown() override { FltkDestroyDialog(); }

    void ShowAndWaitActive() {
        ShowWindow(dialog, SW_SHOW);
        ASSERT_TRUE(WaitFor([&] {
            return IsMapped(dialog) && ActiveWindow() == dialog &&
                   FocusIsWithin(TestDisplay(), static_cast<Window>(dialog));
        }));
    }

    HWND dialog = 0;
};

TEST_F(DialogWindowTest, IsBuiltFromTheTemplateAsAHiddenXWindow) {
    EXPECT_EQ(g_dialogAtInit, dialog);
    EXPECT_FALSE(g_mappedAtInit) << "the X window exists, unmapped, during WM_INITDIALOG";
    EXPECT_EQ(FltkDialogWindow(), dialog);
    EXPECT_EQ(WindowName(dialog), "Tastra v1.00");
    EXPECT_EQ(WindowClass(dialog), "tastra.Tastra");
    EXPECT_EQ(WindowType(dialog), "_NET_WM_WINDOW_TYPE_NORMAL") << "the main window, not a dialog";
    ShowWindow(dialog, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CONNECT)));
}

TEST_F(DialogWindowTest, TheCaptionReachesTheXWindow) {
    EXPECT_TRUE(SetWindowTextW(dialog, u"Caption \u00e4"));
    XSync(fl_display, False);
    EXPECT_TRUE(WaitFor([&] { return WindowName(dialog).find("Caption") == 0; }));
}

TEST_F(DialogWindowTest, UnsortedListKeepsTheOrderOfAddingUpToItsCapacity) {
    const WCHAR* rates[] = {u"2400", u"115200", u"9600"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Add(dialog, IDC_BAUD, rates[i]), i);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Item(dialog, IDC_BAUD, i), rates[i]);
    LRESULT last = 0;
    for (int i = 3; i < 200 && last != CB_ERR; ++i)
        last = Add(dialog, IDC_BAUD, u"x");
    EXPECT_EQ(last, CB_ERR) << "a full list refuses more entries";
    EXPECT_GT(SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETCOUNT, 0, 0), 8);
}

// The queue's order, sent messages and the timer's id run in tests/contract.
TEST_F(DialogWindowTest, ASettingChangeIsQueuedForTheDialog) {
    AnnounceSettingChange();
    EXPECT_EQ(NextMessage().message, WM_SETTINGCHANGE);
}

TEST_F(DialogWindowTest, TimerTicksEveryPeriodAndStopsWhenKilled) {
    EXPECT_EQ(SetTimer(dialog, 1, 100, nullptr), 1u);
    auto start = std::chrono::steady_clock::now();
    MSG first = NextMessage();
    MSG second = NextMessage();
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(first.message, WM_TIMER);
    EXPECT_EQ(first.hwnd, dialog);
    EXPECT_EQ(second.message, WM_TIMER);
    EXPECT_GE(elapsed, 0.19);

    // While the program is busy, ticks do not pile up: one waits at most.
    Sleep(450);
    for (int i = 0; i < 10; ++i)
        Fl::wait(0);
    PostMessageW(dialog, WM_COMMAND, 77, 0);
    int ticks = 0;
    MSG m = NextMessage();
    while (m.message == WM_TIMER) {
        ++ticks;
        m = NextMessage();
    }
    EXPECT_EQ(m.message, WM_COMMAND);
    EXPECT_LE(ticks, 1);

    // A killed timer leaves nothing queued behind.
    Sleep(150);
    Fl::wait(0);
    EXPECT_TRUE(KillTimer(dialog, 1));
    EXPECT_EQ(NextMessage(0.4).message, 0u);
}

TEST_F(DialogWindowTest, ShowHideAndAMapByAnotherProgramKeepTheStateTrue) {
    ShowAndWaitActive();
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_EQ(FindWindowW(nullptr, u"Tastra v1.00"), dialog);

    EXPECT_TRUE(ShowWindow(dialog, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(dialog));
    ASSERT_TRUE(WaitFor([&] { return !IsMapped(dialog); }));
    EXPECT_EQ(FindWindowW(nullptr, u"Tastra v1.00"), dialog) << "a hidden dialog is still found";

    MapFromOutside(dialog);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(dialog) != FALSE; }));
    EXPECT_TRUE(IsMapped(dialog));
}

TEST_F(DialogWindowTest, WindowRectAndPositionAgree) {
    ShowAndWaitActive();
    // The rectangle includes the frame, which the window manager adds last.
    ASSERT_TRUE(WaitFor([&] { return HasFrame(dialog); }));
    RECT before{};
    ASSERT_TRUE(GetWindowRect(dialog, &before));
    int width = before.right - before.left, height = before.bottom - before.top;
    int x0, y0, clientWidth, clientHeight;
    ASSERT_TRUE(Geometry(dialog, &x0, &y0, &clientWidth, &clientHeight));
    EXPECT_GT(width, 150);
    EXPECT_GT(height, 100);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Fl::w());

    ASSERT_TRUE(SetWindowPos(dialog, HWND_TOP, 40, before.top, width, height, SWP_SHOWWINDOW));
    // Within the frame's width: window managers settle the frame at their own pace.
    RECT after{};
    EXPECT_TRUE(WaitFor([&] {
        GetWindowRect(dialog, &after);
        return after.left >= 32 && after.left <= 48;
    })) << "left "
        << after.left;
    EXPECT_NEAR(after.top, before.top, 24) << "placing at the old top keeps it about there";
    int x, y, w, h;
    ASSERT_TRUE(Geometry(dialog, &x, &y, &w, &h));
    EXPECT_EQ(w, clientWidth) << "the size stays";
    EXPECT_FALSE(GetWindowRect(12345, &after));
}

TEST_F(DialogWindowTest, KeyboardNavigatesAndButtonsReportClicks) {
    Add(dialog, IDC_PORT, u"COM1: a");
    Add(dialog, IDC_PORT, u"COM2: b");
    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 0, 0);
    ShowAndWaitActive();
    g_received.clear();

    // The port list has the focus first; Down selects the next entry.
    PressKey("Down");
    MSG m = NextMessage();
    EXPECT_EQ(m.message, WM_COMMAND);
    EXPECT_EQ(m.wParam, MAKEWPARAM(IDC_PORT, CBN_SELCHANGE));
    EXPECT_EQ(m.lParam, GetDlgItem(dialog, IDC_PORT));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(dialog, IDC_PORT), u"COM2: b");

    // Tab passes the disabled status line and reaches Connect; space and Return press it.
    PressKey("Tab");
    PressKey("space");
    m = NextMessage();
    EXPECT_EQ(m.wParam, static_cast<WPARAM>(IDC_CONNECT));
    EXPECT_EQ(m.lParam, GetDlgItem(dialog, IDC_CONNECT));
    PressKey("Return");
    EXPECT_EQ(NextMessage().wParam, static_cast<WPARAM>(IDC_CONNECT));

    // Escape does not close the dialog; the close box does.
    PressKey("Escape");
    SendDeleteWindow(dialog);
    m = NextMessage();
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_EQ(m.hwnd, dialog);
}

// The Bluetooth settings button waits while the settings applet's window is
// found: on the desktop that is while the Bluetooth manager it started runs.
TEST(StartedManagerTest, TheAppletWindowIsFoundUntilTheStartedManagerEnds) {
    char dir[] = "/tmp/tastra-manager-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string started = std::string(dir) + "/started", stop = std::string(dir) + "/stop";
    std::string manager = std::string(dir) + "/blueman-manager";
    std::ofstream(manager) << "#!/bin/sh\ntouch '" << started << "'\nwhile [ ! -e '" << stop
                           << "' ]; do sleep 0.05; done\n";
    chmod(manager.c_str(), 0755);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (std::string(dir) + ":/usr/bin:/bin").c_str(), 1);
    EXPECT_EQ(FindWindowW(u"CPL_Bluetooth", nullptr), 0) << "nothing started yet";
    ASSERT_TRUE(CreateProcessW(u"ctlpnl.exe", u"cplmain.cpl,23,0", 0x10));
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(WaitFor([&] { return access(started.c_str(), F_OK) == 0; }, 20));
    EXPECT_NE(FindWindowW(u"CPL_Bluetooth", nullptr), 0) << "the manager runs";
    EXPECT_EQ(FindWindowW(u"CPL_Other", nullptr), 0);
    std::ofstream(stop) << "";
    EXPECT_TRUE(WaitFor([] { return FindWindowW(u"CPL_Bluetooth", nullptr) == 0; }, 20)) << "the manager ended";
    for (const std::string& file : {started, stop, manager})
        unlink(file.c_str());
    rmdir(dir);
}

}  // namespace
