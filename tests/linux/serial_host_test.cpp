// The termios layer against pseudo-terminals: the master plays the terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include "platform/linux/serial_host.h"
#include "platform/linux/socket_line.h"
#include "tests/linux/pty_pair.h"

namespace {

constexpr int kGenerousMs = 5000;
const DWORD kSpeedList[] = {2400, 4800, 9600, 19200, 33600, 38400, 56700, 115200};

DCB LineSettingsOfTheProgram(DWORD speed) {
    DCB dcb = {};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = speed;
    dcb.fBinary = 1;
    dcb.ByteSize = 8;
    return dcb;
}

COMMTIMEOUTS ReadsReturnAtOnce() {
    COMMTIMEOUTS t = {};
    t.ReadIntervalTimeout = MAXDWORD;
    return t;
}

std::string AllByteValues() {
    std::string s;
    for (int b = 0; b < 256; ++b)
        s.push_back(static_cast<char>(b));
    return s;
}

// Collects n bytes through SerialHostRead, waiting with poll between reads.
std::string ReadLine(int fd, size_t n, int timeoutMs) {
    std::string got;
    long deadline = NowMs() + timeoutMs;
    while (got.size() < n && NowMs() < deadline) {
        pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, static_cast<int>(deadline - NowMs()));
        char buf[300];
        long r = SerialHostRead(fd, buf, sizeof buf);
        if (r < 0) break;
        got.append(buf, static_cast<size_t>(r));
    }
    return got;
}

class SerialHostTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(OpenPtyPair(pty_)); }
    void TearDown() override {
        if (fd_ >= 0) SerialHostClose(fd_);
        ClosePtyMaster(pty_);
        if (!link_.empty()) unlink(link_.c_str());
    }
    void OpenConfigured(DWORD speed = 115200) {
        fd_ = SerialHostOpen(pty_.slavePath.c_str());
        ASSERT_GE(fd_, 0);
        ASSERT_TRUE(SerialHostApplyDcb(fd_, LineSettingsOfTheProgram(speed)));
        ASSERT_TRUE(SerialHostApplyTimeouts(fd_, ReadsReturnAtOnce()));
    }
    std::string MakeLinkToSlave() {
        char name[] = "/tmp/tastra-com-XXXXXX";
        int tmp = mkstemp(name);
        close(tmp);
        unlink(name);
        link_ = name;
        EXPECT_EQ(symlink(pty_.slavePath.c_str(), name), 0);
        return link_;
    }
    PtyPair pty_;
    int fd_ = -1;
    std::string link_;
};

TEST_F(SerialHostTest, EveryByteValueCrossesUnchangedBothWays) {
    OpenConfigured();
    const std::string all = AllByteValues();
    ASSERT_TRUE(WriteToMaster(pty_.master, all, kGenerousMs));
    EXPECT_EQ(ReadLine(fd_, all.size(), kGenerousMs), all);
    ASSERT_EQ(SerialHostWrite(fd_, all.data(), all.size()), 256);
    EXPECT_EQ(ReadFromMaster(pty_.master, all.size(), kGenerousMs), all);
}

TEST_F(SerialHostTest, SecondOpenOfAnOpenLineFailsUnderAnyName) {
    OpenConfigured();
    EXPECT_EQ(SerialHostOpen(pty_.slavePath.c_str()), -1);
    EXPECT_EQ(SerialHostOpen(MakeLinkToSlave().c_str()), -1);
    SerialHostClose(fd_);
    fd_ = SerialHostOpen(pty_.slavePath.c_str());
    EXPECT_GE(fd_, 0) << "closing releases the line";
}

TEST_F(SerialHostTest, PathsThatAreNoLineDoNotOpen) {
    EXPECT_EQ(SerialHostOpen(nullptr), -1);
    EXPECT_EQ(SerialHostOpen(""), -1);
    EXPECT_EQ(SerialHostOpen("/nonexistent/ttyUSB9"), -1);
    char name[] = "/tmp/tastra-file-XXXXXX";
    int tmp = mkstemp(name);
    ASSERT_GE(tmp, 0);
    close(tmp);
    EXPECT_EQ(SerialHostOpen(name), -1) << "a regular file is no serial line";
    unlink(name);
}

TEST_F(SerialHostTest, EverySpeedOfTheSpeedListIsSetExactlyOnARawLine) {
    fd_ = SerialHostOpen(pty_.slavePath.c_str());
    ASSERT_GE(fd_, 0);
    for (DWORD speed : kSpeedList) {
        SCOPED_TRACE(speed);
        ASSERT_TRUE(SerialHostApplyDcb(fd_, LineSettingsOfTheProgram(speed)));
        LineSettings s;
        ASSERT_TRUE(ReadLineSettings(fd_, s));
        EXPECT_EQ(s.ospeed, speed);
        EXPECT_EQ(s.ispeed, speed);
        EXPECT_TRUE(s.raw8n1);
        EXPECT_TRUE(s.noFlowControl);
        EXPECT_TRUE(s.localAndReceiver);
        EXPECT_TRUE(s.neverWaits);
    }
}

// What the line cannot keep is refused, leaving its speed; a fresh line is made raw 8N1 all the same.
TEST_F(SerialHostTest, RefusedSettingsKeepTheSpeedAndStillLeaveTheLineRawAt8N1WithoutFlowControl) {
    struct Refused {
        const char* what;
        DWORD speed;
        BYTE byteSize;
        DWORD dsrFlow;
    };
    const Refused cases[] = {{"no speed", 0, 8, 0}, {"nine data bits", 19200, 9, 0}, {"DSR flow control", 19200, 8, 1}};
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.what);
        if (fd_ >= 0) SerialHostClose(fd_);
        ClosePtyMaster(pty_);
        ASSERT_TRUE(OpenPtyPair(pty_));
        fd_ = SerialHostOpen(pty_.slavePath.c_str());  // a fresh line is in the kernel's cooked mode
        ASSERT_GE(fd_, 0);
        LineSettings before;
        ASSERT_TRUE(ReadLineSettings(fd_, before));
        ASSERT_FALSE(before.raw8n1);
        DCB dcb = LineSettingsOfTheProgram(c.speed);
        dcb.ByteSize = c.byteSize;
        dcb.fOutxDsrFlow = c.dsrFlow;
        EXPECT_FALSE(SerialHostApplyDcb(fd_, dcb));
        LineSettings s;
        ASSERT_TRUE(ReadLineSettings(fd_, s));
        EXPECT_TRUE(s.raw8n1);
        EXPECT_TRUE(s.noFlowControl);
        EXPECT_TRUE(s.neverWaits);
        EXPECT_EQ(s.ospeed, before.ospeed) << "the speed it had";
    }
    COMMTIMEOUTS waiting = {};
    EXPECT_FALSE(SerialHostApplyTimeouts(fd_, waiting)) << "reads that wait are not offered";
}

TEST_F(SerialHostTest, FlowControlOfTheDcbReachesTheLine) {
    OpenConfigured();
    DCB dcb = LineSettingsOfTheProgram(115200);
    dcb.fOutX = 1;
    ASSERT_TRUE(SerialHostApplyDcb(fd_, dcb));
    LineSettings s;
    ASSERT_TRUE(ReadLineSettings(fd_, s));
    EXPECT_FALSE(s.noFlowControl);
    ASSERT_TRUE(SerialHostApplyDcb(fd_, LineSettingsOfTheProgram(115200)));
    ASSERT_TRUE(ReadLineSettings(fd_, s));
    EXPECT_TRUE(s.noFlowControl) << "settings start from the DCB, not from what the line had";
}

TEST_F(SerialHostTest, FarEndClosingFailsReadsAndWritesQuickly) {
    OpenConfigured();
    ClosePtyMaster(pty_);
    char buf[260];
    long start = NowMs();
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(SerialHostRead(fd_, buf, sizeof buf), -1) << "read " << i;
    EXPECT_EQ(SerialHostWrite(fd_, "bye\r\n", 5), -1);
    EXPECT_LT(NowMs() - start, 1000);
}

TEST_F(SerialHostTest, PendingBytesStillArriveBeforeTheHangUpIsReported) {
    OpenConfigured();
    ASSERT_TRUE(WriteToMaster(pty_.master, "last words", kGenerousMs));
    std::string got = ReadLine(fd_, 10, kGenerousMs);
    ClosePtyMaster(pty_);
    EXPECT_EQ(got, "last words");
    char buf[16];
    EXPECT_EQ(SerialHostRead(fd_, buf, sizeof buf), -1);
}

TEST_F(SerialHostTest, VanishedDeviceNameNoLongerOpens) {
    std::string link = MakeLinkToSlave();
    fd_ = SerialHostOpen(link.c_str());
    ASSERT_GE(fd_, 0);
    SerialHostClose(fd_);
    fd_ = -1;
    unlink(link.c_str());
    link_.clear();
    EXPECT_EQ(SerialHostOpen(link.c_str()), -1);
}

TEST_F(SerialHostTest, StalledLineFailsTheWriteAfterABoundedWait) {
    OpenConfigured();
    static char big[1 << 20];
    long start = NowMs();
    EXPECT_EQ(SerialHostWrite(fd_, big, sizeof big), -1) << "nobody reads the far end";
    long took = NowMs() - start;
    EXPECT_GE(took, SERIAL_HOST_WRITE_STALL_MS - 100);
    EXPECT_LT(took, SERIAL_HOST_WRITE_STALL_MS + 3000);
}

TEST_F(SerialHostTest, WriteLargerThanTheQueueCompletesWhileTheFarEndReads) {
    OpenConfigured();
    std::string data;
    for (int i = 0; i < 200000; ++i)
        data.push_back(static_cast<char>(i * 7));
    std::string got;
    std::thread reader([&] { got = ReadFromMaster(pty_.master, data.size(), 20000); });
    long put = SerialHostWrite(fd_, data.data(), data.size());
    reader.join();
    EXPECT_EQ(put, static_cast<long>(data.size()));
    EXPECT_TRUE(got == data);
}

// A socket line (RFCOMM) closes once the far end has taken the farewell, or
// after the drain limit when it takes nothing; either way the link ends.
TEST(SocketLineClose, WaitsForTheFarewellToLeaveAtMostTheLimit) {
    for (int readAfterMs : {150, -1}) {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        ASSERT_EQ(SocketLineWrite(pair[0], "Connection is closed!\r\n\n", 24), 24);
        std::string got;
        std::thread farEnd([&] {
            if (readAfterMs < 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(readAfterMs));
            char buf[64];
            got.assign(buf, static_cast<size_t>(read(pair[1], buf, sizeof buf)));
        });
        long start = NowMs();
        SocketLineClose(pair[0]);
        long took = NowMs() - start;
        farEnd.join();
        if (readAfterMs > 0) {
            EXPECT_EQ(got, "Connection is closed!\r\n\n");
            EXPECT_GE(took, readAfterMs - 20);
            EXPECT_LT(took, SOCKET_LINE_DRAIN_MS - 100) << "not a moment after the queue emptied";
        } else {
            EXPECT_GE(took, SOCKET_LINE_DRAIN_MS - 20);
            EXPECT_LT(took, SOCKET_LINE_DRAIN_MS + 2000);
        }
        char rest[64];
        EXPECT_EQ(read(pair[1], rest, sizeof rest), readAfterMs > 0 ? 0 : 24) << "the link is closed";
        close(pair[1]);
    }
}

}  // namespace
