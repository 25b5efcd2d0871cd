// platform/window.h where every backend implements it alike: the dialog from
// its template, control texts, finding a window by title, messages posted
// and sent to the dialog, timers and the end of the loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/resource.h"
#include "platform/text.h"
#include "platform/window.h"
#include "tests/contract/desk.h"

namespace {

constexpr UINT kPrivate = 0x8000;  // messages of the program's own

std::vector<MSG> g_handled;

INT_PTR RecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0) g_handled.push_back(MSG{dialog, message, wParam, lParam});
    return TRUE;
}

class WindowContract : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(OpenDesk());
        g_handled.clear();
        dialog_ = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, RecordingProc, 42);
        ASSERT_NE(dialog_, 0);
    }
    void TearDown() override { CloseDesk(); }

    // Handles messages as the program's loop does until `wanted` of them
    // reached the procedure with `message`; false when the loop runs dry.
    bool HandleUntil(UINT message, size_t wanted) {
        auto count = [&] {
            size_t n = 0;
            for (const MSG& m : g_handled)
                n += m.message == message ? 1 : 0;
            return n;
        };
        MSG m;
        while (count() < wanted) {
            if (!NextMessage(&m)) return false;
            if (!IsDialogMessageW(dialog_, &m)) DispatchMessageW(&m);
        }
        return true;
    }
    std::u16string Text(int id, int capacity = MAX_TEXT) {
        WCHAR text[MAX_TEXT] = u"?";
        int length = GetDlgItemTextW(dialog_, id, text, capacity);
        EXPECT_EQ(length, WLen(text));
        return text;
    }

    HWND dialog_ = 0;
};

TEST_F(WindowContract, TheDialogComesFromItsTemplateHiddenAndInitialised) {
    ASSERT_FALSE(g_handled.empty());
    EXPECT_EQ(g_handled[0].message, WM_INITDIALOG);
    EXPECT_EQ(g_handled[0].hwnd, dialog_);
    EXPECT_EQ(g_handled[0].lParam, 42);
    for (int id : {IDC_PORT, IDC_CREDIT, IDC_STATUS, IDC_CONNECT, IDC_SETTINGS, IDC_BAUD, IDC_WEB, IDC_BAUD_LABEL})
        EXPECT_NE(GetDlgItem(dialog_, id), 0) << id;
    EXPECT_EQ(GetDlgItem(dialog_, 4242), 0);
    EXPECT_EQ(GetDlgItem(dialog_ + 1, IDC_PORT), 0);
    EXPECT_EQ(Text(IDC_CONNECT), u"Connect");
    EXPECT_EQ(Text(IDC_BAUD_LABEL), u"Baud:");
    EXPECT_EQ(Text(IDC_STATUS), u"");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog_, IDC_PORT)));

    EXPECT_FALSE(IsWindowVisible(dialog_));
    EXPECT_FALSE(ShowWindow(dialog_, SW_SHOW)) << "was hidden";
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog_, IDC_SETTINGS))) << "hidden by its template";
    EXPECT_FALSE(ShowWindow(GetDlgItem(dialog_, IDC_SETTINGS), SW_SHOW));
    EXPECT_TRUE(ShowWindow(GetDlgItem(dialog_, IDC_SETTINGS), SW_HIDE));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, IDC_STATUS))) << "disabled by its template";
    EXPECT_TRUE(EnableWindow(GetDlgItem(dialog_, IDC_STATUS), TRUE)) << "was disabled";
    EXPECT_FALSE(EnableWindow(GetDlgItem(dialog_, IDC_STATUS), FALSE));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, IDC_STATUS)));
}

TEST_F(WindowContract, ControlTextsKeepEveryCharacterAndAreCutToTheBuffer) {
    const std::u16string odd = u"a&b @c/d_e\tZ\u00fcrich \u20ac \U0001D11E";
    for (int id : {IDC_STATUS, IDC_CONNECT}) {
        EXPECT_TRUE(SetDlgItemTextW(dialog_, id, odd.c_str()));
        EXPECT_EQ(Text(id), odd) << id;
        EXPECT_EQ(Text(id, 4), u"a&b") << id;
    }
    HWND combo = GetDlgItem(dialog_, IDC_PORT);
    auto send = [&](UINT message, WPARAM wParam, const void* lParam) {
        return SendDlgItemMessageW(dialog_, IDC_PORT, message, wParam, reinterpret_cast<LPARAM>(lParam));
    };
    ASSERT_NE(combo, 0);
    send(CB_RESETCONTENT, 0, nullptr);
    const std::u16string second = u"COM2: " + odd;
    EXPECT_EQ(send(CB_ADDSTRING, 0, u"COM1: first"), 0);
    EXPECT_EQ(send(CB_ADDSTRING, 0, second.c_str()), 1);
    EXPECT_EQ(send(CB_GETCOUNT, 0, nullptr), 2);
    EXPECT_EQ(send(CB_GETCURSEL, 0, nullptr), CB_ERR) << "nothing chosen yet";
    EXPECT_EQ(send(CB_SETCURSEL, 1, nullptr), 1);
    EXPECT_EQ(send(CB_GETCURSEL, 0, nullptr), 1);
    WCHAR item[MAX_TEXT] = {};
    EXPECT_EQ(send(CB_GETLBTEXT, 1, item), static_cast<LRESULT>(second.size()));
    EXPECT_EQ(std::u16string(item), second);
    EXPECT_EQ(send(CB_GETLBTEXT, 2, item), CB_ERR);
    EXPECT_EQ(SendDlgItemMessageW(dialog_, 4242, CB_GETCOUNT, 0, 0), CB_ERR);
    EXPECT_FALSE(SetDlgItemTextW(dialog_, 4242, u"x"));
}

TEST_F(WindowContract, TheLineListSortsWithoutRegardToCaseAndItsChoiceMovesAlong) {
    auto send = [&](int id, UINT message, WPARAM wParam, const void* lParam) {
        return SendDlgItemMessageW(dialog_, id, message, wParam, reinterpret_cast<LPARAM>(lParam));
    };
    send(IDC_PORT, CB_RESETCONTENT, 0, nullptr);
    const struct {
        const char16_t* text;
        LRESULT at;
    } adds[] = {{u"COM5: ttyUSB0", 0}, {u"com1: BT-My/Phone&Co_1", 0}, {u"Com3: ttyS2", 1}, {u"COM9: \tx", 3}};
    for (const auto& add : adds)
        EXPECT_EQ(send(IDC_PORT, CB_ADDSTRING, 0, add.text), add.at) << std::string(add.text, add.text + 4);
    std::vector<std::u16string> items;
    for (WPARAM i = 0; i < 4; ++i) {
        WCHAR item[MAX_TEXT] = {};
        send(IDC_PORT, CB_GETLBTEXT, i, item);
        items.push_back(item);
    }
    EXPECT_EQ(items,
              (std::vector<std::u16string>{u"com1: BT-My/Phone&Co_1", u"Com3: ttyS2", u"COM5: ttyUSB0", u"COM9: \tx"}));
    EXPECT_EQ(send(IDC_PORT, CB_GETLBTEXTLEN, 1, nullptr), 11);
    EXPECT_EQ(send(IDC_PORT, CB_SETCURSEL, 2, nullptr), 2);
    EXPECT_EQ(Text(IDC_PORT), u"COM5: ttyUSB0");
    EXPECT_EQ(send(IDC_PORT, CB_ADDSTRING, 0, u"Bluetooth"), 0);
    EXPECT_EQ(send(IDC_PORT, CB_GETCURSEL, 0, nullptr), 3) << "an entry sorted in before the choice moves it";

    EXPECT_EQ(send(IDC_PORT, CB_SETCURSEL, 5, nullptr), CB_ERR);
    EXPECT_EQ(send(IDC_PORT, CB_GETCURSEL, 0, nullptr), CB_ERR) << "a choice beyond the list clears the choice";
    EXPECT_EQ(send(IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(-1), nullptr), CB_ERR);
    WCHAR untouched[4] = u"?";
    EXPECT_EQ(send(IDC_PORT, CB_GETLBTEXT, 5, untouched), CB_ERR);
    EXPECT_EQ(std::u16string(untouched), u"?") << "out of range leaves the buffer alone";
    send(IDC_PORT, CB_SETCURSEL, 0, nullptr);
    EXPECT_EQ(send(IDC_PORT, CB_RESETCONTENT, 0, nullptr), 0);
    EXPECT_EQ(send(IDC_PORT, CB_GETCOUNT, 0, nullptr), 0);
    EXPECT_EQ(send(IDC_PORT, CB_GETCURSEL, 0, nullptr), CB_ERR) << "an emptied list has no choice";
    EXPECT_EQ(Text(IDC_PORT), u"");
    EXPECT_EQ(send(IDC_CONNECT, CB_GETCOUNT, 0, nullptr), CB_ERR) << "a button has no list";

    const char16_t* rates[] = {u"2400", u"115200", u"9600"};
    for (LRESULT i = 0; i < 3; ++i)
        EXPECT_EQ(send(IDC_BAUD, CB_ADDSTRING, 0, rates[i]), i) << "the speed list keeps the order of adding";
}

TEST_F(WindowContract, TheDialogIsFoundByItsTitle) {
    const WCHAR title[] = u"Tastra contract \u00fc";
    EXPECT_TRUE(SetWindowTextW(dialog_, title));
    ShowWindow(dialog_, SW_SHOW);
    EXPECT_TRUE(WaitFor([&] { return FindWindowW(nullptr, title) == dialog_; }));
    EXPECT_EQ(FindWindowW(nullptr, u"Tastra contract"), 0) << "the whole title, not a part";
    EXPECT_EQ(FindWindowW(nullptr, u"No window has this title"), 0);
}

TEST_F(WindowContract, PostedMessagesArriveInOrderAndSentOnesAtOnce) {
    EXPECT_TRUE(PostMessageW(dialog_, kPrivate + 1, 10, 11));
    EXPECT_TRUE(PostMessageW(dialog_, kPrivate + 2, 20, 21));
    PostQuitMessage(5);  // what was posted before still comes first
    g_handled.clear();
    SendMessageW(dialog_, kPrivate + 3, 30, 31);
    ASSERT_EQ(g_handled.size(), 1u) << "a sent message is handled before SendMessageW returns";
    MSG m{};
    ASSERT_TRUE(NextMessage(&m));
    EXPECT_TRUE(IsDialogMessageW(dialog_, &m)) << "a message meant for the dialog is handled there";
    ASSERT_TRUE(NextMessage(&m));
    EXPECT_EQ(DispatchMessageW(&m), TRUE) << "what the procedure returned";
    ASSERT_EQ(g_handled.size(), 3u);
    EXPECT_EQ(g_handled[1].message, kPrivate + 1);
    EXPECT_EQ(g_handled[1].wParam, 10u);
    EXPECT_EQ(g_handled[1].lParam, 11);
    EXPECT_EQ(g_handled[2].message, kPrivate + 2);
    EXPECT_EQ(g_handled[2].hwnd, dialog_);
    EXPECT_EQ(GetMessageW(&m, 0, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 5u);
}

TEST_F(WindowContract, ATimerTicksWithItsIdUntilKilled) {
    EXPECT_EQ(SetTimer(0, 7, 20, nullptr), 0u) << "no window, no timer";
    EXPECT_EQ(SetTimer(12345, 7, 20, nullptr), 0u) << "nor for a window that is not the program's";
    EXPECT_EQ(SetTimer(dialog_, 7, 500, nullptr), 7u);
    EXPECT_EQ(SetTimer(dialog_, 7, 20, nullptr), 7u) << "the same id starts afresh";
    ASSERT_TRUE(HandleUntil(WM_TIMER, 3));
    for (const MSG& m : g_handled) {
        if (m.message == WM_TIMER) {
            EXPECT_EQ(m.wParam, 7u);
        }
    }
    EXPECT_TRUE(KillTimer(dialog_, 7));
    EXPECT_FALSE(KillTimer(dialog_, 7)) << "harmless once it is gone";
}

}  // namespace
