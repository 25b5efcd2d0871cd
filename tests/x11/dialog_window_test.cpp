// The FLTK dialog on a real X server: the template's controls, the combo box
// messages, the queue, timers, showing and hiding, keyboard navigation.
// gtest before Xlib, whose macros (None, Bool) clash with it.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>
#include <string>
#include <vector>

#include "app/resource.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/common/settings_change.h"
#include "platform/fltk/dialog.h"
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

std::u16string Text(HWND dialog, int id) {
    WCHAR text[MAX_TEXT];
    GetDlgItemTextW(dialog, id, text, MAX_TEXT);
    return text;
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
            return IsMapped(dialog) && ActiveWindow() == dialog && FocusIsWithin(TestDisplay(), static_cast<Window>(dialog));
        }));
    }

    HWND dialog = 0;
};

TEST_F(DialogWindowTest, IsBuiltFromTheTemplateAsAHiddenXWindow) {
    EXPECT_EQ(g_dialogAtInit, dialog);
    EXPECT_FALSE(g_mappedAtInit) << "the X window exists, unmapped, during WM_INITDIALOG";
    ASSERT_FALSE(g_received.empty());
    EXPECT_EQ(g_received[0].message, WM_INITDIALOG);
    EXPECT_EQ(g_received[0].lParam, 7);
    EXPECT_EQ(FltkDialogWindow(), dialog);
    EXPECT_FALSE(IsWindowVisible(dialog));

    EXPECT_EQ(WindowName(dialog), "Tastra v1.00");
    EXPECT_EQ(WindowClass(dialog), "tastra.Tastra");

    EXPECT_EQ(Text(dialog, IDC_CONNECT), u"Connect");
    EXPECT_EQ(Text(dialog, IDC_BAUD_LABEL), u"Baud:");
    EXPECT_EQ(Text(dialog, IDC_STATUS), u"");
    for (int id : {IDC_PORT, IDC_CREDIT, IDC_STATUS, IDC_CONNECT, IDC_SETTINGS, IDC_BAUD, IDC_WEB, IDC_BAUD_LABEL})
        EXPECT_NE(GetDlgItem(dialog, id), 0) << id;
    EXPECT_EQ(GetDlgItem(dialog, 4242), 0);
    EXPECT_EQ(GetDlgItem(dialog + 1, IDC_PORT), 0);

    ShowWindow(dialog, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_CONNECT)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS))) << "hidden at creation";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_STATUS))) << "disabled at creation";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)));

    EXPECT_TRUE(EnableWindow(GetDlgItem(dialog, IDC_STATUS), TRUE)) << "was disabled";
    EXPECT_FALSE(EnableWindow(GetDlgItem(dialog, IDC_PORT), FALSE));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PORT)));
    EXPECT_FALSE(ShowWindow(GetDlgItem(dialog, IDC_SETTINGS), SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS)));
}

TEST_F(DialogWindowTest, TextsKeepEveryCharacterAndAreCutToTheBuffer) {
    const WCHAR odd[] = u"a&b @c/d_e\tf \u00fc\u20ac \U0001F600";
    EXPECT_TRUE(SetDlgItemTextW(dialog, IDC_STATUS, odd));
    EXPECT_EQ(Text(dialog, IDC_STATUS), odd);
    EXPECT_TRUE(SetDlgItemTextW(dialog, IDC_CONNECT, odd));
    EXPECT_EQ(Text(dialog, IDC_CONNECT), odd);

    WCHAR small[4];
    EXPECT_EQ(GetDlgItemTextW(dialog, IDC_CONNECT, small, 4), 3);
    EXPECT_EQ(std::u16string(small), u"a&b");

    EXPECT_TRUE(SetWindowTextW(dialog, u"Caption \u00e4"));
    XSync(fl_display, False);
    EXPECT_TRUE(WaitFor([&] { return WindowName(dialog).find("Caption") == 0; }));
    EXPECT_FALSE(SetDlgItemTextW(dialog, 4242, u"x"));
}

TEST_F(DialogWindowTest, SortedListInsertsCaseInsensitivelyAndKeepsTextsLiteral) {
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Add(dialog, IDC_PORT, u"COM5: ttyUSB0"), 0);
    EXPECT_EQ(Add(dialog, IDC_PORT, u"com1: BT-My/Phone&Co_1"), 0);
    EXPECT_EQ(Add(dialog, IDC_PORT, u"Com3: ttyS2"), 1);
    EXPECT_EQ(Add(dialog, IDC_PORT, u"COM9: \tx"), 3);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(Item(dialog, IDC_PORT, 0), u"com1: BT-My/Phone&Co_1");
    EXPECT_EQ(Item(dialog, IDC_PORT, 1), u"Com3: ttyS2");
    EXPECT_EQ(Item(dialog, IDC_PORT, 2), u"COM5: ttyUSB0");
    EXPECT_EQ(Item(dialog, IDC_PORT, 3), u"COM9: \tx");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXTLEN, 1, 0), 11);

    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(Text(dialog, IDC_PORT), u"COM5: ttyUSB0");
    // An entry sorted in before the selection moves the selection with it.
    EXPECT_EQ(Add(dialog, IDC_PORT, u"Bluetooth"), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0), 3);

    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
    EXPECT_EQ(Item(dialog, IDC_PORT, 5), u"?") << "out of range leaves the buffer alone";
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXT, 5, 0), CB_ERR);

    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_RESETCONTENT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(dialog, IDC_PORT), u"");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_CONNECT, CB_GETCOUNT, 0, 0), CB_ERR) << "a button has no list";
    EXPECT_EQ(SendDlgItemMessageW(dialog, 4242, CB_GETCOUNT, 0, 0), CB_ERR);
}

TEST_F(DialogWindowTest, UnsortedListKeepsTheOrderOfAddingUpToItsCapacity) {
    const WCHAR* rates[] = {u"2400", u"115200", u"9600"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Add(dialog, IDC_BAUD, rates[i]), i);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Item(dialog, IDC_BAUD, i), rates[i]);
    LRESULT last = 0;
    for (int i = 3; i < 200 && last != CB_ERR; ++i) last = Add(dialog, IDC_BAUD, u"x");
    EXPECT_EQ(last, CB_ERR) << "a full list refuses more entries";
    EXPECT_GT(SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETCOUNT, 0, 0), 8);
}

TEST_F(DialogWindowTest, PostedMessagesComeInOrderThenTheQuitMessage) {
    g_received.clear();
    EXPECT_TRUE(PostMessageW(dialog, WM_COMMAND, 1, 2));
    EXPECT_TRUE(PostMessageW(dialog, WM_SETTINGCHANGE, 0, 0));
    PostQuitMessage(3);
    MSG m{};
    ASSERT_TRUE(GetMessageW(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_COMMAND);
    EXPECT_TRUE(IsDialogMessageW(dialog, &m));
    ASSERT_TRUE(GetMessageW(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_SETTINGCHANGE);
    EXPECT_EQ(DispatchMessageW(&m), TRUE);
    EXPECT_FALSE(GetMessageW(&m, 0, 0, 0));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_EQ(g_received.size(), 2u);
    EXPECT_EQ(g_received[0].wParam, 1u);
    EXPECT_EQ(g_received[0].lParam, 2);
    EXPECT_EQ(g_received[1].message, WM_SETTINGCHANGE);

    // Sent messages reach the procedure at once; a setting change is queued.
    g_received.clear();
    EXPECT_EQ(SendMessageW(dialog, WM_TIMER, 9, 0), TRUE);
    ASSERT_EQ(g_received.size(), 1u);
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
    EXPECT_EQ(first.wParam, 1u);
    EXPECT_EQ(first.hwnd, dialog);
    EXPECT_EQ(second.message, WM_TIMER);
    EXPECT_GE(elapsed, 0.19);

    // While the program is busy, ticks do not pile up: one waits at most.
    Sleep(450);
    for (int i = 0; i < 10; ++i) Fl::wait(0);
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
    EXPECT_FALSE(KillTimer(dialog, 1));
    EXPECT_EQ(NextMessage(0.4).message, 0u);
    EXPECT_EQ(SetTimer(12345, 1, 100, nullptr), 0u) << "no timers for windows of other programs";
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
    })) << "left " << after.left;
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

}  // namespace
