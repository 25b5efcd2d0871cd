// The link over a real pseudo-terminal: the emulated handheld's endpoint
// passed through to the host's termios service, the pty master as terminal.
#include <thread>

#include "app/shell.h"
#include "base/resource.h"
#include "link/serial_link.h"
#include "platform/window.h"
#include "tests/link/link_fixture.h"
#include "tests/linux/pty_pair.h"

namespace {
constexpr int WAIT_MS = 5000;

class PassThroughTest : public LinkTest {
  protected:
    void SetUp() override {
        LinkTest::SetUp();
        ASSERT_TRUE(OpenPtyPair(pty));
        EmuAddDevice(u"COM1:");
        EmuSerialPassThrough(u"COM1:", pty.slavePath);
    }
    void TearDown() override {
        EmuResetSerial();  // closes a line a failed test left open
        ClosePtyMaster(pty);
    }

    // Reads through the program's port until `n` bytes came or time is up.
    std::string ReadPort(HANDLE port, size_t n) {
        std::string got;
        long deadline = NowMs() + WAIT_MS;
        while (got.size() < n && NowMs() < deadline) {
            char buffer[64];
            DWORD count = 0;
            if (!ReadFile(port, buffer, sizeof buffer, &count, nullptr)) break;
            got.append(buffer, count);
            if (count == 0) std::this_thread::yield();
        }
        return got;
    }

    PtyPair pty;
};

TEST_F(PassThroughTest, TerminalSeesHandshakeGreetingAndFarewell) {
    OpenDialog({u"COM1: Serial"});
    SelectSpeed(2);  // 9600

    HANDLE port = ConnectTerminal(dialog);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    std::string expected("\x1b[c\0Tastra v1.00 is connected!\r\n", 32);
    EXPECT_EQ(ReadFromMaster(pty.master, expected.size(), WAIT_MS), expected);

    LineSettings line{};
    ASSERT_TRUE(ReadLineSettings(pty.master, line));
    EXPECT_EQ(line.ospeed, 9600u);
    EXPECT_TRUE(line.raw8n1);
    EXPECT_TRUE(line.noFlowControl);
    EXPECT_TRUE(line.neverWaits);

    ASSERT_TRUE(WriteToMaster(pty.master, "typed\x1b[A", WAIT_MS));
    EXPECT_EQ(ReadPort(port, 8), "typed\x1b[A");

    DisconnectTerminal(dialog, port);
    EXPECT_EQ(ReadFromMaster(pty.master, 24, WAIT_MS), "Connection is closed!\r\n\n");
    EXPECT_FALSE(EmuSerialIsOpen(u"COM1:"));
}

TEST_F(PassThroughTest, LineThatCannotBeOpenedFailsLikeAMissingDevice) {
    EmuSerialPassThrough(u"COM1:", "/nonexistent/tty");
    OpenDialog({u"COM1: Serial"});

    EXPECT_EQ(ConnectTerminal(dialog), INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 3);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!");
}
// The far end goes away while connected; a new one behind the same name connects.
TEST_F(PassThroughTest, AHungUpLineIsClosedAtTheNextTickAndANewOneConnects) {
    OpenDialog({u"COM1: Serial"});
    g_hPort = ConnectTerminal(dialog);
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    ClosePtyMaster(pty);
    MainDialogProc(dialog, WM_TIMER, POLL_TIMER_ID, 0);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(EmuSerialIsOpen(u"COM1:"));
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
    EXPECT_EQ(EmuControlText(IDC_CONNECT), u"Connect");

    ASSERT_TRUE(OpenPtyPair(pty));
    EmuSerialPassThrough(u"COM1:", pty.slavePath);
    g_hPort = ConnectTerminal(dialog);
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadFromMaster(pty.master, 32, WAIT_MS), std::string("\x1b[c\0Tastra v1.00 is connected!\r\n", 32));
    DisconnectTerminal(dialog, g_hPort);
}
}  // namespace
