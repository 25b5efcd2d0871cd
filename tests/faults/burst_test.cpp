// A mebibyte of random terminal bytes through a real pseudo-terminal into the
// input translation, checked tick by tick against the byte-table model: every
// byte is read once and turns into exactly the messages the table gives.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "keys/input_translation.h"
#include "link/serial_link.h"
#include "platform/emulated/emulated.h"
#include "platform/window.h"
#include "tests/linux/pty_pair.h"
#include "tests/support/byte_table.h"
#include "tests/support/emulated_test.h"

namespace {

constexpr size_t BURST_BYTES = 1 << 20;
constexpr int WAIT_MS = 5000;

// Random bytes without the function keys, which would hide the dialog or
// close the target and so change where the next keys go.
std::string RandomBurst() {
    std::mt19937 random(20240601);
    std::string bytes(BURST_BYTES, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    for (size_t i = 0; i + 2 < bytes.size(); ++i)
        if (bytes[i] == 0x1B && bytes[i + 1] == 'O' && bytes[i + 2] >= 'P' && bytes[i + 2] <= 'S') bytes[i + 2] = 'x';
    return bytes;
}

int QueuedOnLine(int fd) {
    int queued = 0;
    return ioctl(fd, FIONREAD, &queued) == 0 ? queued : -1;
}

// Waits until the line holds `n` bytes, so a tick reads a known piece.
bool WaitQueued(int fd, int n) {
    long deadline = NowMs() + WAIT_MS;
    while (QueuedOnLine(fd) < n) {
        if (NowMs() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

class BurstTest : public EmulatedTest {
  protected:
    void SetUp() override {
        EmulatedTest::SetUp();
        ASSERT_TRUE(OpenPtyPair(pty));
        // A look at the input queue from outside; opened before the port,
        // which takes the line exclusively.
        observer = open(pty.slavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(observer, 0);
        EmuAddDevice(u"COM1:");
        EmuSerialPassThrough(u"COM1:", pty.slavePath);
        dialog = CreateMainDialog();
        target = EmuAddWindow(u"Notes", u"notes");
        EmuSetForeground(target);
    }
    void TearDown() override {
        EmuResetSerial();
        if (observer >= 0) close(observer);
        ClosePtyMaster(pty);
    }

    PtyPair pty;
    int observer = -1;
    HWND dialog = 0;
    HWND target = 0;
};

TEST_F(BurstTest, EveryByteOfARandomMebibyteBecomesItsMessagesOnce) {
    HANDLE port = OpenSerialPort(u"COM1:", 115200);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    std::string burst = RandomBurst();
    std::mt19937 random(7);

    size_t sent = 0;
    int ticks = 0;
    ModelLine line;
    while (sent < burst.size()) {
        // Pieces up to one full read; 300 byte pieces also leave 40 for the next tick.
        size_t piece = std::min<size_t>(1 + random() % 300, burst.size() - sent);
        std::string bytes = burst.substr(sent, piece);
        ASSERT_TRUE(WriteToMaster(pty.master, bytes, WAIT_MS));
        ASSERT_TRUE(WaitQueued(observer, static_cast<int>(piece))) << "at byte " << sent;
        while (!bytes.empty()) {
            std::string tick = bytes.substr(0, RECEIVE_BUFFER_BYTES);
            bytes.erase(0, tick.size());
            EmuClearMessageLog();
            PollTerminalInput(dialog, port);
            ++ticks;
            ASSERT_EQ(KeysPostedTo(target), ModelTick(Bytes(tick), nullptr, &line))
                << "tick " << ticks << " at byte " << sent;
            ASSERT_EQ(QueuedOnLine(observer), static_cast<int>(bytes.size())) << "tick " << ticks;
        }
        sent += piece;
    }
    EXPECT_EQ(sent, BURST_BYTES);
    EXPECT_EQ(QueuedOnLine(observer), 0);
    CloseHandle(port);
}

}  // namespace
