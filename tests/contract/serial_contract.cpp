// platform/serial.h on the contract machine's lines, whose far ends are
// pseudo-terminals: opening, settings, reading at once, writing, a cut line.
#include <chrono>
#include <string>
#include <thread>

#include "platform/serial.h"
#include "tests/contract/machine.h"
#include "tests/linux/pty_pair.h"

namespace {

constexpr int kGenerousMs = 5000;

class SerialContract : public MachineTest {
  protected:
    void TearDown() override {
        if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
        MachineTest::TearDown();
    }
    // Opens COM`index`: as the program does, with settings and a read that returns at once.
    HANDLE Open(int index) {
        std::u16string name = u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + index)) + u":";
        HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
        if (port == INVALID_HANDLE_VALUE) return port;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        dcb.BaudRate = 9600;
        dcb.fBinary = 1;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        EXPECT_TRUE(SetCommState(port, &dcb));
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
        EXPECT_TRUE(SetCommTimeouts(port, &timeouts));
        return port;
    }
    // Reads until `n` bytes have come, the line fails, or the time is up.
    std::string ReadUntil(size_t n, bool* lineGone = nullptr) {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerousMs);
        while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
            char buffer[64];
            DWORD read = 99;
            if (!ReadFile(port_, buffer, sizeof buffer, &read, nullptr)) {
                EXPECT_EQ(read, 0u);
                if (lineGone != nullptr) *lineGone = true;
                break;
            }
            got.append(buffer, read);
            if (read == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return got;
    }
    HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(SerialContract, ALineOpensOnceAtATimeAndOnlyWhenItExists) {
    port_ = Open(kLines[0]);
    ASSERT_NE(port_, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"COM1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE)
        << "open already";
    EXPECT_EQ(CreateFileW(u"COM2:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE);
    HANDLE other = CreateFileW(u"com4:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    EXPECT_NE(other, INVALID_HANDLE_VALUE) << "names as the device search takes them";
    EXPECT_TRUE(CloseHandle(other));
    EXPECT_FALSE(CloseHandle(other)) << "closed already";
    EXPECT_TRUE(CloseHandle(port_));
    port_ = Open(kLines[0]);
    EXPECT_NE(port_, INVALID_HANDLE_VALUE) << "free again once closed";
}

TEST_F(SerialContract, BytesPassBothWaysAndAReadNeverWaits) {
    port_ = Open(kLines[1]);
    ASSERT_NE(port_, INVALID_HANDLE_VALUE);
    char buffer[16];
    DWORD read = 99;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ReadFile(port_, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kGenerousMs / 5));

    static const char kGreeting[] = "\x1b[c Tastra\r\n\xe9\0\xff";
    const std::string greeting(kGreeting, sizeof kGreeting - 1);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(port_, greeting.data(), static_cast<DWORD>(greeting.size()), &written, nullptr));
    EXPECT_EQ(written, greeting.size());
    EXPECT_EQ(ReadFromMaster(FarEnd(kLines[1]), greeting.size(), kGenerousMs), greeting);

    const std::string typed("ab\x03\x7f\x00\x1bOP", 8);
    ASSERT_TRUE(WriteToMaster(FarEnd(kLines[1]), typed, kGenerousMs));
    EXPECT_EQ(ReadUntil(typed.size()), typed) << "every byte as it was sent";
}

TEST_F(SerialContract, ACutLineFailsTheReadWithNothingRead) {
    port_ = Open(kLines[0]);
    ASSERT_NE(port_, INVALID_HANDLE_VALUE);
    CutLine(kLines[0]);
    bool gone = false;
    ReadUntil(1, &gone);
    EXPECT_TRUE(gone);
}

TEST_F(SerialContract, HandlesOfNoLineAreRefused) {
    char buffer[4];
    DWORD count = 99;
    for (HANDLE bogus : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(0), static_cast<HANDLE>(12345)}) {
        EXPECT_FALSE(ReadFile(bogus, buffer, sizeof buffer, &count, nullptr));
        EXPECT_FALSE(WriteFile(bogus, buffer, sizeof buffer, &count, nullptr));
        EXPECT_FALSE(CloseHandle(bogus));
    }
}

}  // namespace
