// A mebibyte of random terminal bytes through a real pseudo-terminal into the
// input translation, checked tick by tick against a model of the byte rules
// written from the terminal's table (not from the code): every byte is read
// once and turns into exactly the messages the table gives.
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
#include "tests/support/emulated_test.h"
#include "tests/linux/pty_pair.h"

namespace {

constexpr size_t BURST_BYTES = 1 << 20;
constexpr int WAIT_MS = 5000;

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Posted&) const = default;
};

// Characters of the Ctrl+letter bytes 0x01-0x1F, 0 for none.
const WORD CTRL_CHARS[32] = {
    0,      0x00AA, 0x00BD, 0x00A9, 0x2206, 0,      0,      0x2265,  // 00-07
    0x0008, 0x0009, 0,      0,      0x00A3, 0x000D, 0,      0x00B9,  // 08-0F
    0x00B1, 0,      0x00AE, 0x2264, 0x00BE, 0x221E, 0x00BC, 0x00A4,  // 10-17
    0x00D7, 0x00A5, 0x00F7, 0,      0,      0,      0,      0,       // 18-1F
};

void ModelKey(std::vector<Posted>& out, WORD key) {
    out.push_back({WM_KEYDOWN, key, 1});
    out.push_back({WM_KEYUP, key, static_cast<LPARAM>(0xC0000001)});
}

void ModelChar(std::vector<Posted>& out, WORD c) {
    if (c != 0) out.push_back({WM_CHAR, c, 1});
}

WORD ModelCursorKey(BYTE final) {
    switch (final) {
        case 'A': return VK_UP;
        case 'B': return VK_DOWN;
        case 'C': return VK_RIGHT;
        case 'D': return VK_LEFT;
        case 'H': return VK_HOME;
        case 'K': return VK_END;
        default: return 0;
    }
}

// What one tick that reads exactly `bytes` posts to the keyboard target.
std::vector<Posted> ModelTick(const std::string& bytes) {
    std::vector<Posted> out;
    size_t n = bytes.size();
    for (size_t i = 0; i < n; ++i) {
        BYTE b = static_cast<BYTE>(bytes[i]);
        if (b == 0x1B) {
            bool introducer = i + 1 < n && (bytes[i + 1] == '[' || bytes[i + 1] == 'O');
            if (!introducer) {
                ModelKey(out, VK_ESCAPE);
                ModelChar(out, 0x1B);
                continue;
            }
            // ESC [ x and ESC O x take three bytes; one cut off at the end of
            // the read takes what is left and posts nothing.
            if (i + 2 < n && bytes[i + 1] == '[') {
                WORD key = ModelCursorKey(static_cast<BYTE>(bytes[i + 2]));
                if (key != 0) ModelKey(out, key);
            }
            i += 2;
        } else if (b == 0x7F) {
            ModelKey(out, VK_DELETE);
        } else if (b < 0x20) {
            if (b == 0x05) ModelKey(out, VK_END);
            if (b == 0x08) ModelKey(out, VK_BACK);
            if (b == 0x09) ModelKey(out, VK_TAB);
            if (b == 0x0D) ModelKey(out, VK_RETURN);
            if (b == 0x11) ModelKey(out, VK_HOME);
            ModelChar(out, CTRL_CHARS[b]);
        } else {
            ModelChar(out, b == 0x80 ? 0x20AC : b);
        }
    }
    return out;
}

// Random bytes without the function keys, which would hide the dialog or
// close the target and so change where the next keys go.
std::string RandomBurst() {
    std::mt19937 random(20240601);
    std::string bytes(BURST_BYTES, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
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

std::vector<Posted> PostedTo(HWND target) {
    std::vector<Posted> out;
    for (const EmuMessage& m : EmuKeyMessagesTo(target)) out.push_back({m.message, m.wParam, m.lParam});
    return out;
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
            ASSERT_EQ(PostedTo(target), ModelTick(tick)) << "tick " << ticks << " at byte " << sent;
            ASSERT_EQ(QueuedOnLine(observer), static_cast<int>(bytes.size())) << "tick " << ticks;
        }
        sent += piece;
    }
    EXPECT_EQ(sent, BURST_BYTES);
    EXPECT_EQ(QueuedOnLine(observer), 0);
    CloseHandle(port);
}

}  // namespace
