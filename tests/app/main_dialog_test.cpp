#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/shell.h"
#include "base/resource.h"
#include "link/serial_link.h"
#include "platform/bluetooth.h"
#include "platform/text.h"
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

// The start options, applied to the initialised dialog as WinMain does.
class StartOptionsTest : public MainDialogTest {
  protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        for (const char16_t* device : {u"COM0:", u"COM1:", u"COM2:"}) {
            EmuAddDevice(device);
            EmuSerialAddEndpoint(device);
        }
        for (const char16_t* entry : {u"COM0: Modem", u"COM1: Serial", u"COM2: BT-Term-A", u"COM2: BT-Term-B"})
            AddPortEntry(entry);
    }
    void Start(const char16_t* port, DWORD speed, bool connect) {
        WCopy(g_startOptions.port, port, MAX_TEXT);
        g_startOptions.speed = speed;
        g_startOptions.connect = connect;
        ApplyStartOptions(dialog);
        EmuRunPending();
    }
    std::u16string SelectedPort() { return EmuComboItems(IDC_PORT)[EmuComboSelection(IDC_PORT)]; }
};

TEST_F(StartOptionsTest, NoOptionLeavesTheDialogAsInitialised) {
    EmuSelectComboItem(IDC_PORT, 1);
    Start(u"", 0, false);
    EXPECT_EQ(EmuComboSelection(IDC_PORT), 1);
    EXPECT_EQ(EmuComboSelection(IDC_BAUD), 0);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM0:"), 0);
}

TEST_F(StartOptionsTest, PortAndSpeedAreSelectedAndConnectedAsByTheButton) {
    Start(u"com1", 9600, true);
    EXPECT_EQ(SelectedPort(), u"COM1: Serial");
    EXPECT_EQ(EmuComboSelection(IDC_BAUD), 2);
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialLastDcb(u"COM1:").BaudRate, 9600u);
    std::vector<BYTE> written = EmuSerialWrittenBytes(u"COM1:");
    EXPECT_EQ(std::string(written.begin(), written.end()),
              std::string("\x1b[c\0", 4) + "Tastra v1.00 is connected!\r\n");
    ExpectConnectedState();
}

TEST_F(StartOptionsTest, TheWholeEntryTextNamesOneOfSeveralDevicesUnderOneIndex) {
    for (const char16_t* port : {u"COM2: BT-Term-B", u"com2: bt-term-b"}) {
        EmuSelectComboItem(IDC_PORT, 0);
        Start(port, 0, false);
        EXPECT_EQ(SelectedPort(), u"COM2: BT-Term-B");
        EXPECT_FALSE(EmuControlVisible(IDC_BAUD)) << "a Bluetooth entry shows its own controls";
    }
    Start(u"COM2:", 0, false);
    EXPECT_EQ(SelectedPort(), u"COM2: BT-Term-A") << "a device name takes the first entry";
}

TEST_F(StartOptionsTest, APortNotListedShowsThePortErrorAndConnectsNothing) {
    for (const char16_t* port : {u"COM7:", u"COM1: Seria", u"COM1:x", u"Serial", u"COM"}) {
        EmuSelectComboItem(IDC_PORT, 0);
        g_startOptions.reconnect = true;
        Start(port, 0, true);
        EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");
        EXPECT_EQ(EmuComboSelection(IDC_PORT), 0);
        EmuRunFor(5000);
        EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    }
    for (const char16_t* device : {u"COM0:", u"COM1:", u"COM2:"})
        EXPECT_EQ(EmuSerialOpenAttempts(device), 0);
}

// The adapter is plugged in after the start: --reconnect looks for the
// port at each retry tick, then connects it as --connect would have.
TEST_F(StartOptionsTest, WithReconnectAPortListedAfterTheStartIsConnectedWithinATick) {
    g_startOptions.reconnect = true;
    Start(u"COM3:", 9600, true);
    EmuRunFor(5000);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM3:"), 0);

    EmuAddDevice(u"COM3:");
    EmuSerialAddEndpoint(u"COM3:");
    EmuRegSetString(u"Drivers\\Active\\03", u"Name", u"COM3:");
    EmuRegSetString(u"Drivers\\Active\\03", u"Key", u"Drivers\\USB\\Adapter");
    EmuRunFor(2100);
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SelectedPort(), u"COM3: Adapter");
    EXPECT_EQ(EmuSerialLastDcb(u"COM3:").BaudRate, 9600u);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM3:"), 1);
    ExpectConnectedState();
    EXPECT_FALSE(EmuTimerRunning(dialog, RETRY_TIMER_ID));
}

// --reconnect on a terminal at COM1 that hangs up at `hangUp` and leaves
// with its device until it comes back.
class ReconnectTest : public ConnectedDialogTest {
  protected:
    void SetUp() override {
        ConnectedDialogTest::SetUp();
        g_startOptions.reconnect = true;
    }
    void HangUpAndLeave() {
        EmuSchedule(EmuNow() + 50, [] {
            EmuSerialFailReads(u"COM1:", true);
            EmuSerialFailWrites(u"COM1:", true);
            EmuRemoveDevice(u"COM1:");
        });
        EmuRunFor(200);
        ASSERT_EQ(g_hPort, INVALID_HANDLE_VALUE);
        ASSERT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
    }
    static void ComeBack() {
        EmuSerialFailReads(u"COM1:", false);
        EmuSerialFailWrites(u"COM1:", false);
        EmuAddDevice(u"COM1:");
    }
    static int Greetings() {
        std::vector<BYTE> written = EmuSerialWrittenBytes(u"COM1:");
        std::string text(written.begin(), written.end());
        int count = 0;
        for (size_t at = text.find("\x1b[c"); at != std::string::npos; at = text.find("\x1b[c", at + 1))
            if (text.compare(at + 4, 26, "Tastra v1.00 is connected!") == 0) ++count;
        return count;
    }
};

TEST_F(ReconnectTest, ALineThatHungUpIsConnectedAgainWithinTwoSecondsOfItsDevicesReturn) {
    Connect();
    HangUpAndLeave();
    EmuRunFor(7000);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 1) << "no open while the device is away";
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
    EXPECT_EQ(EmuControlText(IDC_CONNECT), u"Connect");

    DWORD back = EmuNow();
    ComeBack();
    EmuRunFor(2000);
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_LE(EmuSerialCalls(u"COM1:").back().time - back, 2000u + 100u)
        << "greeted within a tick and the settle pause";
    EXPECT_EQ(Greetings(), 2);
    ExpectConnectedState();
    EXPECT_FALSE(EmuTimerRunning(dialog, RETRY_TIMER_ID));

    HangUpAndLeave();  // and again: the wait is not used up
    ComeBack();
    EmuRunFor(2000);
    EXPECT_EQ(Greetings(), 3);
}

// The device is back but cannot be opened: one attempt per two seconds.
TEST_F(ReconnectTest, AttemptsComeOnePerTwoSeconds) {
    Connect();
    HangUpAndLeave();
    EmuAddDevice(u"COM1:");
    EmuSerialFailOpen(u"COM1:", 1000);
    EmuRunFor(10000);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 1 + 5);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");
    EXPECT_EQ(EmuControlText(IDC_CONNECT), u"Connect");
}

TEST_F(ReconnectTest, WhatTheUserDoesStopsTheRetries) {
    struct Row {
        const char* what;
        std::function<void()> act;
    };
    const Row rows[] = {
        {"Disconnect", [this] { Connect(), EmuClickButton(IDC_CONNECT), EmuRunPending(); }},
        {"Connect that fails while waiting",
         [this] {
             Connect();
             HangUpAndLeave();
             EmuClickButton(IDC_CONNECT);
             EmuRunPending();
         }},
        {"another port picked while waiting",
         [this] {
             AddPortEntry(u"COM0: Modem");
             Connect();
             HangUpAndLeave();
             Select(u"COM0: Modem");
             Select(u"COM1: Serial");
         }},
        {"the dialog closed while waiting",
         [this] {
             Connect();
             HangUpAndLeave();
             PostMessageW(dialog, WM_CLOSE, 0, 0);
             EmuRunPending();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TearDown();
        SetUp();
        row.act();
        ASSERT_EQ(g_hPort, INVALID_HANDLE_VALUE);
        int attempts = EmuSerialOpenAttempts(u"COM1:");
        ComeBack();
        EmuRunFor(10000);
        EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), attempts);
        EXPECT_FALSE(EmuTimerRunning(dialog, RETRY_TIMER_ID));
    }
}

TEST_F(ReconnectTest, WithoutTheOptionALineThatHungUpStaysClosed) {
    g_startOptions.reconnect = false;
    Connect();
    HangUpAndLeave();
    ComeBack();
    EmuRunFor(10000);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 1);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
}

TEST_F(ReconnectTest, AFailedConnectAtStartIsWaitedOnToo) {
    EmuSerialFailOpen(u"COM1:", CONNECT_ATTEMPTS);
    g_startOptions.connect = true;
    ApplyStartOptions(dialog);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EmuRunFor(2000);
    EXPECT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Greetings(), 1);
}

// A Bluetooth port is tried at the first tick and every fifth after it
// (each try may hold the dialog for seconds), only while the radio is on,
// which is never switched on for it.
TEST_F(ReconnectTest, ABluetoothPortIsRetriedEveryTenSecondsWhileTheRadioIsOn) {
    AddPortEntry(u"COM1: BT-Term");
    Select(u"COM1: BT-Term");
    EmuShareRadio(true);
    EmuSetRadioMode(BTH_CONNECTABLE);
    Connect();
    HangUpAndLeave();
    EmuAddDevice(u"COM1:");
    EmuSerialFailOpen(u"COM1:", 1000);
    EmuRunFor(20000);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 1 + 2) << "at 2 s and 12 s";

    EmuSetRadioMode(BTH_POWER_OFF);
    size_t switches = EmuRadioModeHistory().size();
    EmuRunFor(20000);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 1 + 2);
    EXPECT_EQ(EmuRadioModeHistory().size(), switches) << "the radio stays as the user left it";

    EmuSetRadioMode(BTH_CONNECTABLE);
    EmuSerialFailOpen(u"COM1:", 0);
    ComeBack();
    EmuRunFor(10000);
    EXPECT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Greetings(), 2);
}

}  // namespace
