// Connect and disconnect: what goes over the line and when, the attempts and
// their error texts, the dialog's states, and the Bluetooth side of a connect.
#include <cstring>

#include "app/shell.h"
#include "base/resource.h"
#include "link/bt_provisioning.h"
#include "link/serial_link.h"
#include "platform/bluetooth.h"
#include "platform/window.h"
#include "tests/link/link_fixture.h"

namespace {
const std::vector<BYTE> HANDSHAKE = {0x1B, 0x5B, 0x63, 0x00};

class ConnectTest : public LinkTest {};

TEST_F(ConnectTest, LineCarriesHandshakeThenGreetingAfterPause) {
    OpenTerminalDialog();

    HANDLE port = ConnectTerminal(dialog);

    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(EmuSerialIsOpen(u"COM1:"));
    const std::vector<EmuWrite>& writes = EmuSerialWrites(u"COM1:");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].time, 0u);
    EXPECT_EQ(writes[0].bytes, HANDSHAKE);
    EXPECT_EQ(writes[1].time, 100u);
    EXPECT_EQ(writes[1].bytes, Bytes("Tastra v1.00 is connected!\r\n"));
    EXPECT_EQ(EmuSleptMilliseconds(), 100u);
    EXPECT_TRUE(EmuTimerRunning(dialog, POLL_TIMER_ID));
    EXPECT_EQ(EmuTimerStartedAt(dialog, POLL_TIMER_ID), 100u);
}

TEST_F(ConnectTest, OpensExclusivelyWithEightNoneOneAndReadsThatNeverWait) {
    OpenTerminalDialog();
    SelectSpeed(2);  // 9600

    ASSERT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);

    EmuOpenRequest open = EmuSerialLastOpen(u"COM1:");
    EXPECT_EQ(open.access, 0xC0000000u);
    EXPECT_EQ(open.shareMode, 0u);
    EXPECT_EQ(open.disposition, 3u);
    EXPECT_EQ(open.attributes, 0u);

    const BYTE expectedDcb[28] = {0x1C, 0, 0, 0, 0x80, 0x25, 0, 0, 0x01, 0, 0, 0, 0, 0,
                                  0,    0, 0, 0, 8,    0,    0, 0, 0,    0, 0, 0, 0, 0};
    DCB dcb = EmuSerialLastDcb(u"COM1:");
    BYTE dcbBytes[28];
    std::memcpy(dcbBytes, &dcb, sizeof dcbBytes);
    EXPECT_EQ(std::vector<BYTE>(dcbBytes, dcbBytes + 28), std::vector<BYTE>(expectedDcb, expectedDcb + 28));

    COMMTIMEOUTS t = EmuSerialLastTimeouts(u"COM1:");
    EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 0u);
}

TEST_F(ConnectTest, SpeedComesFromTheSelectedListEntryOrDefaults) {
    OpenTerminalDialog();
    SelectSpeed(-1);
    HANDLE port = ConnectTerminal(dialog);
    EXPECT_EQ(EmuSerialLastDcb(u"COM1:").BaudRate, 115200u);
    DisconnectTerminal(dialog, port);

    // The edit text of the combo box does not count, only the list entry.
    SelectSpeed(0);
    SetDlgItemTextW(dialog, IDC_BAUD, u"300");
    ConnectTerminal(dialog);
    EXPECT_EQ(EmuSerialLastDcb(u"COM1:").BaudRate, 2400u);
}

TEST_F(ConnectTest, RefusedLineSettingsStillConnect) {
    OpenTerminalDialog();
    EmuSerialFailSettings(u"COM1:", true);

    EXPECT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialSettingsCount(u"COM1:"), 0);
    EXPECT_EQ(EmuSerialWrittenBytes(u"COM1:").size(), 4u + 28u);
}

TEST_F(ConnectTest, DrainReadTakesOnlyWhatArrivedBeforeTheGreeting) {
    OpenTerminalDialog();
    EmuSerialArrive(u"COM1:", 50, Bytes("\x1b[?1;2c"));
    EmuSerialArrive(u"COM1:", 100, Bytes("x"));
    EmuSerialArrive(u"COM1:", 101, Bytes("y"));

    ASSERT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EmuAdvance(1);
    EXPECT_EQ(EmuSerialPending(u"COM1:"), 1u);
}

TEST_F(ConnectTest, DrainReadTakesOneBufferfulAtMost) {
    OpenTerminalDialog();
    EmuSerialArrive(u"COM1:", 50, std::vector<BYTE>(300, 'x'));

    ASSERT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialPending(u"COM1:"), 40u);
}

TEST_F(ConnectTest, FailingDrainReadStillGreets) {
    OpenTerminalDialog();
    EmuSerialFailReads(u"COM1:", true);

    ASSERT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    ASSERT_EQ(EmuSerialWrites(u"COM1:").size(), 2u);
}

TEST_F(ConnectTest, NothingSelectedChangesNothing) {
    OpenTerminalDialog(-1);
    EmuSetRadioMode(BTH_CONNECTABLE);

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuNow(), 0u);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 0);
    EXPECT_EQ(EmuRadioMode(), BTH_CONNECTABLE);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
}

TEST_F(ConnectTest, MissingDeviceGivesThreeAttemptsThePortErrorAndRadioOff) {
    EmuSerialAddEndpoint(u"COM4:");  // a terminal, but no such device
    EmuSetRadioMode(BTH_DISCOVERABLE);
    OpenDialog({u"COM4: Serial"});

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuNow(), 200u);
    EXPECT_EQ(EmuSleptMilliseconds(), 200u);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
    EXPECT_TRUE(EmuRegistrations().empty());
    EXPECT_TRUE(EmuSerialWrites(u"COM4:").empty());
    EXPECT_FALSE(EmuTimerRunning(dialog, POLL_TIMER_ID));
}

TEST_F(ConnectTest, DeviceRefusingWritesIsOpenedAndClosedThreeTimes) {
    OpenTerminalDialog();
    EmuSerialFailWrites(u"COM1:", true);

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialOpenCount(u"COM1:"), 3);
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 3);
    EXPECT_EQ(EmuSerialOpenHandles(), 0);
    EXPECT_EQ(EmuNow(), 200u);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
}

TEST_F(ConnectTest, HandshakeFailureOutranksLaterAndEarlierOpenFailures) {
    OpenTerminalDialog();
    EmuSerialFailOpen(u"COM1:", 1);
    EmuSerialFailWrites(u"COM1:", true);
    EmuSchedule(150, [] { EmuSerialFailOpen(u"COM1:", 1); });

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 3);
    EXPECT_EQ(EmuSerialOpenCount(u"COM1:"), 1);
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 1);
    EXPECT_EQ(EmuNow(), 200u);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
}

TEST_F(ConnectTest, SecondAttemptSucceedsAfterOnePause) {
    OpenTerminalDialog();
    EmuSerialFailOpen(u"COM1:", 1);

    ASSERT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    const std::vector<EmuWrite>& writes = EmuSerialWrites(u"COM1:");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].time, 100u);
    EXPECT_EQ(writes[1].time, 200u);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Terminal is connected!");
}

TEST_F(ConnectTest, TimerThatCannotStartClosesThePortQuietly) {
    OpenTerminalDialog();
    EmuSetRadioMode(BTH_CONNECTABLE);
    EmuFailTimers(true);

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    ASSERT_EQ(EmuSerialWrites(u"COM1:").size(), 1u);
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 1);
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    ExpectIdlePlainState();
}

class DialogStateTest : public LinkTest {};

TEST_F(DialogStateTest, ConnectedAndIdleStatesControlByControl) {
    OpenTerminalDialog();
    ASSERT_TRUE(EmuControlVisible(IDC_BAUD));
    ASSERT_FALSE(EmuControlVisible(IDC_SETTINGS));

    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ExpectConnectedState();

    EmuAdvance(50);
    DisconnectTerminal(dialog, port);
    ExpectIdlePlainState();
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    EXPECT_FALSE(EmuTimerRunning(dialog, POLL_TIMER_ID));
    EXPECT_FALSE(EmuSerialIsOpen(u"COM1:"));
    const std::vector<EmuWrite>& writes = EmuSerialWrites(u"COM1:");
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].time, 150u);
    EXPECT_EQ(writes[2].bytes, Bytes("Connection is closed!\r\n\n"));
}

// No poll may run on a port that is going, and the radio must not go off
// under a port that is still open.
TEST_F(DialogStateTest, DisconnectStopsTheTimerBeforeTheFarewellAndClosesBeforeTheRadioGoesOff) {
    AddPairedDevice(u"0123456789AB", u"Term", 3);
    EmuSerialAddEndpoint(u"COM7:");
    OpenDialog({u"COM7: BT-Term"});
    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);

    bool timerAtFarewell = true;
    DWORD radioAtClose = BTH_POWER_OFF;
    EmuSerialWatch(u"COM7:", [&](EmuSerialCallKind kind) {
        if (kind == EMU_SERIAL_WRITE) timerAtFarewell = EmuTimerRunning(dialog, POLL_TIMER_ID);
        if (kind == EMU_SERIAL_CLOSE) radioAtClose = EmuRadioMode();
    });
    DisconnectTerminal(dialog, port);
    EXPECT_FALSE(timerAtFarewell);
    EXPECT_EQ(radioAtClose, BTH_CONNECTABLE);
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
}

TEST_F(DialogStateTest, IdleStateAfterABluetoothLinkOffersTheSettingsButton) {
    AddTerminal(u"COM3:");
    OpenDialog({u"COM3: BT-Term"});

    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DisconnectTerminal(dialog, port);
    EXPECT_TRUE(EmuControlVisible(IDC_SETTINGS));
    EXPECT_EQ(EmuControlText(IDC_SETTINGS), u"BT-Setting");
    EXPECT_FALSE(EmuControlVisible(IDC_BAUD));
}

TEST_F(DialogStateTest, ButtonsDriveTheLinkAndTheFirstTickFollowsTheTimerStart) {
    OpenTerminalDialog();

    EmuClickButton(IDC_CONNECT);
    EmuRunPending();
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    DWORD started = EmuTimerStartedAt(dialog, POLL_TIMER_ID);
    EXPECT_EQ(started, 100u);

    EmuRunFor(250);
    EXPECT_EQ(PollTicks(), (std::vector<DWORD>{started + 100, started + 200}));

    EmuClickButton(IDC_CONNECT);
    EmuRunPending();
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 1);
    EmuRunFor(500);
    EXPECT_EQ(PollTicks().size(), 2u);
}

TEST_F(DialogStateTest, ClosingWhileIdleSendsNothingSwitchesTheRadioOffAndQuits) {
    OpenTerminalDialog();
    EmuSetRadioMode(BTH_CONNECTABLE);
    SetDlgItemTextW(dialog, IDC_STATUS, u"");

    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EmuRunPending();
    EXPECT_TRUE(EmuSerialWrites(u"COM1:").empty());
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 0);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Connection is closed!");
    MSG quit;
    EXPECT_EQ(GetMessageW(&quit, 0, 0, 0), FALSE);
    EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(DialogStateTest, GermanGreetingAndFarewell) {
    g_langOffset = 1;
    OpenTerminalDialog();

    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ExpectConnectedState(GERMAN);
    DisconnectTerminal(dialog, port);
    ExpectIdlePlainState(GERMAN);

    std::vector<BYTE> expected = HANDSHAKE;
    for (BYTE b : Bytes("Tastra v1.00 ist verbunden!\r\nVerbindung ist geschlossen!\r\n\n"))
        expected.push_back(b);
    EXPECT_EQ(EmuSerialWrittenBytes(u"COM1:"), expected);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Verbindung ist geschlossen!");
}

TEST_F(DialogStateTest, GermanErrorTexts) {
    g_langOffset = 1;
    AddTerminal(u"COM1:");
    EmuSerialFailWrites(u"COM1:", true);
    OpenDialog({u"COM1: Serial", u"COM4: Serial"});

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"FEHLER: Keine Verbindung!");
    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 1, 0);
    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"FEHLER: COM port funktioniert nicht!");
}

class BluetoothConnectTest : public LinkTest {};

TEST_F(BluetoothConnectTest, PairedDeviceGetsAnOutgoingPortAndLosesItOnDisconnect) {
    AddPairedDevice(u"0123456789AB", u"Term", 3);
    EmuSerialAddEndpoint(u"COM7:");
    OpenDialog({u"COM7: BT-Term"});

    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuRadioModeHistory(), std::vector<DWORD>{BTH_CONNECTABLE});
    // The registration's record is checked in bt_provisioning_test.
    ASSERT_EQ(EmuRegistrations().size(), 1u);
    EXPECT_EQ(EmuRegistrations()[0].index, 7u);
    EXPECT_EQ(EmuRegistrations()[0].record.at(0), 3u) << "the device's channel";
    EXPECT_EQ(EmuSerialWrites(u"COM7:").at(0).bytes, HANDSHAKE);
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);

    DisconnectTerminal(dialog, port);
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
    EXPECT_FALSE(EmuRegistrations()[0].active);
    EXPECT_FALSE(EmuDeviceRegistered(u"COM7:"));
    EXPECT_EQ(g_hOutgoingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(BluetoothConnectTest, RadioAlreadyOnIsLeftInItsMode) {
    AddTerminal(u"COM0:");
    EmuSetRadioMode(BTH_DISCOVERABLE);
    OpenDialog({u"COM0: BT-In"});

    ASSERT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuRadioMode(), BTH_DISCOVERABLE);
    EXPECT_TRUE(EmuRadioModeHistory().empty());
    EXPECT_TRUE(EmuRegistrations().empty());
}

TEST_F(BluetoothConnectTest, IncomingPortIsRegisteredOnTheWayFromRadioOff) {
    EmuSerialAddEndpoint(u"COM0:");
    OpenDialog({u"COM0: BT-In"});

    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ASSERT_EQ(EmuRegistrations().size(), 1u);
    EXPECT_EQ(EmuRegistrations()[0].index, 0u);
    EXPECT_EQ(EmuRegistrations()[0].record.at(4), 1u) << "an incoming port";
    EXPECT_EQ(EmuSerialOpenCount(u"COM0:"), 1);

    DisconnectTerminal(dialog, port);
    EXPECT_FALSE(EmuRegistrations()[0].active);
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(BluetoothConnectTest, ConfiguredIncomingPortMeansNoRegistration) {
    EmuRegSetString(u"Software\\Microsoft\\Bluetooth\\Serial\\Ports\\Incoming1", u"Port", u"COM9");
    OpenDialog({u"COM0: BT-In"});

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(EmuRegistrations().empty());
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
}

TEST_F(BluetoothConnectTest, RetriesWithTheRadioRefusingKeepOneIncomingPort) {
    EmuFailSetMode(BTH_CONNECTABLE, true);
    OpenDialog({u"COM5: BT-Inbox"});

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    ASSERT_EQ(EmuRegistrations().size(), 1u);
    EXPECT_FALSE(EmuRegistrations()[0].active);
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(BluetoothConnectTest, RegistrationsThatMakeNoDeviceAreNotLeftBehind) {
    EmuRegistrationCreatesDevice(false);
    AddPairedDevice(u"0123456789AB", u"Term", 3);
    EmuSerialAddEndpoint(u"COM7:");
    OpenDialog({u"COM7: BT-Term"});

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    ASSERT_EQ(EmuRegistrations().size(), 3u);
    for (const EmuRegistration& r : EmuRegistrations())
        EXPECT_FALSE(r.active);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");
}

TEST_F(BluetoothConnectTest, UnknownRadioModeFailsOnlyBluetoothEntries) {
    EmuFailGetMode(true);
    AddTerminal(u"COM1:");
    AddTerminal(u"COM3:");
    OpenDialog({u"COM1: Serial", u"COM3: BT-Term"}, 1);

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM3:"), 0);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");

    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 0, 0);
    EXPECT_NE(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
}

TEST_F(BluetoothConnectTest, BluetoothEntryOfAnotherPrefixIsNotOpened) {
    AddTerminal(u"ABC1:");
    EXPECT_EQ(OpenSelectedPort(u"ABC1: BT-Term", 9600), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialOpenAttempts(u"ABC1:"), 0);
    EXPECT_TRUE(EmuRadioModeHistory().empty());
}

TEST_F(BluetoothConnectTest, PlainEntryWithoutDeviceRegistersNothing) {
    AddPairedDevice(u"0123456789AB", u"Serial", 3);
    EXPECT_EQ(OpenSelectedPort(u"COM4: Serial", 9600), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(EmuRegistrations().empty());
    EXPECT_TRUE(EmuRadioModeHistory().empty());
}
}  // namespace
