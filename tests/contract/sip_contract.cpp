// platform/sip.h on each screen a backend offers: the on-screen keyboard
// shown, hidden and queried through its record.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/sip.h"
#include "tests/contract/screen.h"

namespace {

SIPINFO Query() {
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    EXPECT_TRUE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
    return info;
}

BOOL Apply(DWORD flags) {
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    info.fdwFlags = flags;
    return SHSipInfo(SPI_SETSIPINFO, 0, &info, 0);
}

// A real keyboard is another program that shows its window in its own time.
bool Eventually(const std::function<bool()>& condition) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class SipContract : public ::testing::TestWithParam<Screen> {
  protected:
    void SetUp() override { ASSERT_TRUE(GetParam().open()); }
    void TearDown() override {
        Apply(0);
        GetParam().close();
    }
};

TEST_P(SipContract, TheKeyboardShowsAndHidesAndTheQueryTellsWhich) {
    if (!GetParam().keyboard) GTEST_SKIP() << "no on-screen keyboard here";
    EXPECT_EQ(Query().fdwFlags, 0u) << "hidden at first";
    for (DWORD flags : {SIPF_ON | SIPF_LOCKED, DWORD{0}, SIPF_ON, DWORD{0}}) {
        ASSERT_TRUE(Apply(flags)) << flags;
        EXPECT_TRUE(Eventually([&] { return (Query().fdwFlags & SIPF_ON) == (flags & SIPF_ON); })) << flags;
        SIPINFO info = Query();
        EXPECT_EQ(info.fdwFlags & ~flags, 0u) << "no flag that was not asked for";
        if (flags & SIPF_ON) {
            EXPECT_GT(info.rcSipRect.right, info.rcSipRect.left);
        }
    }
}

TEST_P(SipContract, ARecordOfTheWrongSizeOrAnUnknownActionIsRefusedUntouched) {
    SIPINFO info{};
    info.cbSize = 40;
    info.fdwFlags = 0x55;
    EXPECT_FALSE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
    EXPECT_EQ(info.fdwFlags, 0x55u);
    EXPECT_FALSE(SHSipInfo(SPI_SETSIPINFO, 0, &info, 0));
    EXPECT_FALSE(SHSipInfo(SPI_SETSIPINFO, 0, nullptr, 0));
    info.cbSize = sizeof(SIPINFO);
    EXPECT_FALSE(SHSipInfo(0x1234, 0, &info, 0));
    EXPECT_EQ(info.fdwFlags, 0x55u);
}

INSTANTIATE_TEST_SUITE_P(Backend, SipContract, ::testing::ValuesIn(Screens()),
                         [](const ::testing::TestParamInfo<Screen>& info) { return info.param.name; });

}  // namespace
