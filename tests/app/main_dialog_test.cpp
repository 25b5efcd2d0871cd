#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "base/resource.h"
#include "platform/window.h"
#include "tests/support/emulated_test.h"

namespace {

const std::vector<std::u16string> EIGHT_RATES = {u"2400",  u"4800",  u"9600",  u"19200",
                                                 u"33600", u"38400", u"56700", u"115200"};

class MainDialogTest : public EmulatedTest {
  protected:
    void SetUp() override {
        EmulatedTest::SetUp();
        dialog = CreateMainDialog();
        ASSERT_NE(dialog, 0);
    }

    void AddPortEntry(const char16_t* text) {
        SendDlgItemMessageW(dialog, IDC_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }

    void Select(const char16_t* text) {
        std::vector<std::u16string> items = EmuComboItems(IDC_PORT);
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == text) EmuSelectComboItem(IDC_PORT, static_cast<int>(i));
        EmuRunPending();
    }

    void ExpectIdlePlain() {
        ExpectIdlePlainState();
        EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    }

    void ExpectIdleBluetooth(const char16_t* caption) {
        EXPECT_TRUE(EmuControlEnabled(IDC_PORT));
        EXPECT_FALSE(EmuControlVisible(IDC_BAUD));
        EXPECT_FALSE(EmuControlVisible(IDC_BAUD_LABEL));
        EXPECT_TRUE(EmuControlVisible(IDC_SETTINGS));
        EXPECT_EQ(EmuControlText(IDC_SETTINGS), caption);
        EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    }

    HWND dialog = 0;
};

TEST_F(MainDialogTest, InitialisationFillsTheSpeedsSelects2400AndShowsTheClosedState) {
    EXPECT_EQ(EmuComboItems(IDC_BAUD), EIGHT_RATES);
    EXPECT_EQ(EmuComboSelection(IDC_BAUD), 0);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    EXPECT_EQ(EmuWindowText(dialog), u"Tastra v1.00");
    EXPECT_FALSE(EmuControlEnabled(IDC_STATUS)) << "the status line is read only";
    ExpectIdlePlain();
}

TEST_F(MainDialogTest, AttributionCarriesTheBuildYear) {
    std::u16string credit = EmuControlText(IDC_CREDIT);
    const char* date = __DATE__;  // "Mmm dd yyyy"
    std::u16string year(date + 7, date + 11);
    ASSERT_GE(credit.size(), 5u);
    EXPECT_EQ(credit.substr(credit.size() - 5), u" " + year);
    EXPECT_FALSE(EmuControlText(IDC_WEB).empty());
}

TEST_F(MainDialogTest, ReinitialisationAfterTheSettingsAppletRebuildsEverythingOnce) {
    EmuRegSetString(u"Drivers\\Active\\01", u"Name", u"COM1:");
    EmuRegSetString(u"Drivers\\Active\\01", u"Key", u"Drivers\\BuiltIn\\Serial");
    EmuRegSetString(u"Drivers\\Active\\02", u"Name", u"COM3:");
    EmuRegSetString(u"Drivers\\Active\\02", u"Key", u"Drivers\\USB\\Adapter");
    SendDlgItemMessageW(dialog, IDC_PORT, CB_RESETCONTENT, 0, 0);
    AddPortEntry(u"COM9: stale");
    SendDlgItemMessageW(dialog, IDC_BAUD, CB_SETCURSEL, 5, 0);
    SetDlgItemTextW(dialog, IDC_STATUS, u"ERROR: No connection!");

    MainDialogProc(dialog, WM_COMMAND, IDC_SETTINGS, 0);

    EXPECT_EQ(EmuComboItems(IDC_BAUD), EIGHT_RATES) << "the rates appear once, not twice";
    EXPECT_EQ(EmuComboSelection(IDC_BAUD), 0);
    std::vector<std::u16string> ports = {u"COM1: Serial", u"COM3: Adapter"};
    EXPECT_EQ(EmuComboItems(IDC_PORT), ports);
    EXPECT_EQ(EmuComboSelection(IDC_PORT), 0);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);
    ASSERT_EQ(EmuStartedProcesses().size(), 1u) << "the idle settings button runs the Bluetooth applet";
    EXPECT_EQ(EmuStartedProcesses()[0].image, u"ctlpnl.exe");
}

TEST_F(MainDialogTest, InitialisationShowsTheControlsOfTheFirstEntry) {
    EmuRegSetString(u"Software\\Microsoft\\Bluetooth\\Serial\\Ports\\Dev_112233445566", u"Port", u"COM5");
    EmuRegSetString(u"Software\\Microsoft\\Bluetooth\\Device\\112233445566", u"name", u"Phone");
    InitMainDialog(dialog);
    EXPECT_EQ(EmuComboItems(IDC_PORT), std::vector<std::u16string>{u"COM5: BT-Phone"});
    ExpectIdleBluetooth(u"BT-Setting");
}

TEST_F(MainDialogTest, AnEmptyPortListLeavesNothingSelected) {
    InitMainDialog(dialog);
    EXPECT_TRUE(EmuComboItems(IDC_PORT).empty());
    EXPECT_EQ(EmuComboSelection(IDC_PORT), -1);
    ExpectIdlePlain();
}

TEST_F(MainDialogTest, ASettingsChangeWhileHiddenRecentresAndShowsTheDialog) {
    RECT before = EmuWindowRect(dialog);
    int width = before.right - before.left;
    int height = before.bottom - before.top;
    ShowWindow(dialog, SW_HIDE);
    SetWindowPos(dialog, HWND_TOP, 3, 40, width, height, 0);

    EXPECT_EQ(MainDialogProc(dialog, WM_SETTINGCHANGE, 0, 0), TRUE);

    RECT after = EmuWindowRect(dialog);
    EXPECT_TRUE(EmuWindowVisible(dialog));
    EXPECT_EQ(after.left, (480 - width) / 2);
    EXPECT_EQ(after.top, 40) << "only the horizontal position changes";
    EXPECT_EQ(after.right - after.left, width);
    EXPECT_EQ(after.bottom - after.top, height);
}

TEST_F(MainDialogTest, CentringRoundsTowardZeroOnAScreenNarrowerThanTheDialog) {
    RECT r = EmuWindowRect(dialog);
    int width = r.right - r.left;
    EmuSetScreenWidth(width - 21);  // (−21) / 2 is −10, not −11
    CenterDialog(dialog);
    EXPECT_EQ(EmuWindowRect(dialog).left, -10);
}

TEST_F(MainDialogTest, ABluetoothMarkerAtCharactersSixToEightSwapsTheSpeedControlsAndBack) {
    AddPortEntry(u"COM1: Serial");
    AddPortEntry(u"COM5: BT-Phone");
    AddPortEntry(u"COM7 BT-odd");  // marker at 5 to 7: not a Bluetooth entry
    AddPortEntry(u"COM2:");        // shorter than the marker's place

    Select(u"COM5: BT-Phone");
    ExpectIdleBluetooth(u"BT-Setting");
    Select(u"COM1: Serial");
    ExpectIdlePlain();
    Select(u"COM5: BT-Phone");
    Select(u"COM7 BT-odd");
    ExpectIdlePlain();
    Select(u"COM2:");
    ExpectIdlePlain();
}

TEST_F(MainDialogTest, TheSettingsCaptionFollowsTheLanguage) {
    g_langOffset = 1;
    AddPortEntry(u"COM5: BT-Phone");
    Select(u"COM5: BT-Phone");
    ExpectIdleBluetooth(u"BT-Einstellung");
}

TEST_F(MainDialogTest, CommandsAreComparedAsAWhole) {
    AddPortEntry(u"COM5: BT-Phone");
    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 0, 0);

    // The selection-change code on another control, or the port list without it, does nothing.
    EXPECT_EQ(MainDialogProc(dialog, WM_COMMAND, IDC_PORT, 0), TRUE);
    EXPECT_EQ(MainDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_BAUD, CBN_SELCHANGE), 0), TRUE);
    EXPECT_FALSE(EmuControlVisible(IDC_SETTINGS));
    EXPECT_EQ(MainDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_PORT, CBN_SELCHANGE), 0), TRUE);
    EXPECT_TRUE(EmuControlVisible(IDC_SETTINGS));

    // A button counts only with BN_CLICKED: no Bluetooth applet, no connect.
    EmuClearMessageLog();
    EXPECT_EQ(MainDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_SETTINGS, 1), 0), TRUE);
    EXPECT_EQ(MainDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONNECT, 1), 0), TRUE);
    EXPECT_TRUE(EmuStartedProcesses().empty());
    EXPECT_TRUE(EmuMessageLog().empty());
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);

    EXPECT_EQ(MainDialogProc(dialog, WM_KEYDOWN, VK_TAB, 1), FALSE) << "unhandled messages return FALSE";
}

// A terminal on COM1 that accepts everything.
class ConnectedDialogTest : public MainDialogTest {
  protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        EmuAddDevice(u"COM1:");
        EmuSerialAddEndpoint(u"COM1:");
        AddPortEntry(u"COM1: Serial");
        Select(u"COM1: Serial");
    }
    void Connect() {
        EmuClickButton(IDC_CONNECT);
        EmuRunPending();
        ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    }
};

// The states control by control and the connect button run in tests/link.
TEST_F(ConnectedDialogTest, MinimiseHidesTheDialogWhileConnected) {
    Connect();
    EmuClickButton(IDC_SETTINGS);
    EmuRunPending();
    EXPECT_FALSE(EmuWindowVisible(dialog));
}

TEST_F(ConnectedDialogTest, CloseThenDestroyDisconnectsOnceAndQuits) {
    Connect();
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    PostMessageW(dialog, WM_DESTROY, 0, 0);
    EmuRunPending();

    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(EmuSerialIsOpen(u"COM1:"));
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 1) << "the second message finds no port open";
    std::string farewell = "Connection is closed!\r\n\n";
    std::vector<BYTE> written = EmuSerialWrittenBytes(u"COM1:");
    ASSERT_GE(written.size(), farewell.size());
    EXPECT_EQ(std::vector<BYTE>(written.end() - farewell.size(), written.end()), Bytes(farewell));
    EXPECT_FALSE(EmuTimerRunning(dialog, 1));
    MSG quit;
    EXPECT_EQ(GetMessageW(&quit, 0, 0, 0), FALSE);
    EXPECT_EQ(EmuQuitCode(), 0);
}

TEST_F(ConnectedDialogTest, DestroyAloneDisconnectsAndQuits) {
    Connect();
    EXPECT_EQ(MainDialogProc(dialog, WM_DESTROY, 0, 0), TRUE);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 1);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    MSG quit;
    EXPECT_EQ(GetMessageW(&quit, 0, 0, 0), FALSE);
}

TEST_F(ConnectedDialogTest, EachTimerTickPollsTheOpenPort) {
    Connect();
    HWND editor = EmuAddWindow(u"Editor", u"Notepad");
    EmuSetForeground(editor);
    EmuSerialArrive(u"COM1:", EmuNow() + 50, Bytes("ok"));
    EmuRunFor(100);
    std::vector<EmuMessage> keys = EmuKeyMessagesTo(editor);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>(u'o'));
    EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>(u'k'));
}

// The adapter is pulled out while text is being typed and plugged in again.
TEST_F(ConnectedDialogTest, AHungUpLineReturnsToIdleWithTheErrorAndConnectsAgain) {
    Connect();
    HWND editor = EmuAddWindow(u"Editor", u"Notepad");
    EmuSetForeground(editor);
    size_t writesBefore = EmuSerialWrites(u"COM1:").size();
    EmuSerialArrive(u"COM1:", EmuNow() + 50, Bytes("ok"));
    EmuSchedule(EmuNow() + 150, [] {
        EmuSerialFailReads(u"COM1:", true);
        EmuSerialFailWrites(u"COM1:", true);
    });
    EmuRunFor(400);

    EXPECT_EQ(EmuKeyMessagesTo(editor).size(), 2u);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialOpenHandles(), 0);
    EXPECT_FALSE(EmuTimerRunning(dialog, 1));
    EXPECT_EQ(EmuSerialWrites(u"COM1:").size(), writesBefore) << "no farewell into a line that is gone";
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
    EXPECT_EQ(EmuControlText(IDC_CONNECT), u"Connect");
    EXPECT_TRUE(EmuControlEnabled(IDC_PORT));

    EmuSerialFailReads(u"COM1:", false);
    EmuSerialFailWrites(u"COM1:", false);
    Connect();
    EXPECT_EQ(EmuSerialOpenCount(u"COM1:"), 2);
    EXPECT_EQ(EmuControlText(IDC_CONNECT), u"Disconnect");
}

}  // namespace
