// The emulated serial endpoints that the link's tests rest on.
#include "platform/serial.h"
#include "tests/support/emulated_test.h"

namespace {
class EmulatedSerialTest : public EmulatedTest {
  protected:
    void AddEndpointDevice(const char16_t* name) {
        EmuAddDevice(name);
        EmuSerialAddEndpoint(name);
    }
    HANDLE Open(const char16_t* name) {
        return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    }
};

TEST_F(EmulatedSerialTest, OpensOnlyRegisteredEndpointsAndOnlyOnce) {
    EmuSerialAddEndpoint(u"COM1:");
    EXPECT_EQ(Open(u"COM1:"), INVALID_HANDLE_VALUE);  // no device yet
    EmuAddDevice(u"COM1:");
    EmuAddDevice(u"COM2:");
    EXPECT_EQ(Open(u"COM2:"), INVALID_HANDLE_VALUE);  // no endpoint

    HANDLE first = Open(u"COM1:");
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(u"COM1:"), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(CloseHandle(first));
    HANDLE second = Open(u"COM1:");
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_NE(second, first);
    EXPECT_EQ(EmuSerialOpenAttempts(u"COM1:"), 4);
    EXPECT_EQ(EmuSerialOpenCount(u"COM1:"), 2);
    EXPECT_EQ(EmuSerialCloseCount(u"COM1:"), 1);
}

TEST_F(EmulatedSerialTest, FailsTheGivenNumberOfOpens) {
    AddEndpointDevice(u"COM1:");
    EmuSerialFailOpen(u"COM1:", 2);
    EXPECT_EQ(Open(u"COM1:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(u"COM1:"), INVALID_HANDLE_VALUE);
    EXPECT_NE(Open(u"COM1:"), INVALID_HANDLE_VALUE);
}

TEST_F(EmulatedSerialTest, ReadsWhatHasArrivedByNowInOrder) {
    AddEndpointDevice(u"COM1:");
    EmuSerialArrive(u"COM1:", 30, Bytes("cd"));
    EmuSerialArrive(u"COM1:", 10, Bytes("ab"));
    EmuSerialArrive(u"COM1:", 30, Bytes("e"));
    HANDLE port = Open(u"COM1:");
    BYTE buffer[8] = {};
    DWORD got = 99;

    EXPECT_TRUE(ReadFile(port, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EmuAdvance(30);
    EXPECT_EQ(EmuSerialPending(u"COM1:"), 5u);
    EXPECT_TRUE(ReadFile(port, buffer, 3, &got, nullptr));
    EXPECT_EQ(std::string(buffer, buffer + got), "abc");
    EXPECT_TRUE(ReadFile(port, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, buffer + got), "de");
    EXPECT_EQ(EmuNow(), 30u);
}

TEST_F(EmulatedSerialTest, CapturesWritesWithTheirTimeAndRefusesOnDemand) {
    AddEndpointDevice(u"COM1:");
    HANDLE port = Open(u"COM1:");
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    EmuAdvance(7);
    EXPECT_TRUE(WriteFile(port, "hi", 2, &put, nullptr));
    EXPECT_EQ(put, 2u);
    EmuSerialFailWrites(u"COM1:", true);
    EmuSerialFailReads(u"COM1:", true);
    EXPECT_FALSE(WriteFile(port, "no", 2, &put, nullptr));
    EXPECT_EQ(put, 0u);
    BYTE b;
    EXPECT_FALSE(ReadFile(port, &b, 1, &put, nullptr));

    ASSERT_EQ(EmuSerialWrites(u"COM1:").size(), 1u);
    EXPECT_EQ(EmuSerialWrites(u"COM1:")[0].time, 7u);
    EXPECT_EQ(EmuSerialWrittenBytes(u"COM1:"), Bytes("hi"));
    CloseHandle(port);
    EXPECT_FALSE(WriteFile(port, "x", 1, &put, nullptr));
}
}  // namespace
