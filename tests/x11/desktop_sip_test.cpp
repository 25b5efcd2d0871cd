// The on-screen keyboard (xvkbd) shown and hidden through the SIPINFO record.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/sip.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "tests/x11/desktop_support.h"

namespace {

SIPINFO Query()
{
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    EXPECT_TRUE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
    return info;
}

BOOL Apply(DWORD flags)
{
    SIPINFO info{};
    info.cbSize = sizeof(SIPINFO);
    info.fdwFlags = flags;
    return SHSipInfo(SPI_SETSIPINFO, 0, &info, 0);
}

class DesktopSipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access("/usr/bin/xvkbd", X_OK) != 0)
            GTEST_SKIP() << "xvkbd is not installed";
        ASSERT_TRUE(X11DesktopOpen(nullptr));
    }
    void TearDown() override { X11DesktopClose(); }
};

TEST_F(DesktopSipTest, ShowHideAndShowAgainUseOneKeyboard)
{
    EXPECT_EQ(Query().fdwFlags, 0u);
    EXPECT_TRUE(Apply(SIPF_ON | SIPF_LOCKED));
    HWND keyboard = X11FindTopLevel(u"xvkbd", nullptr);
    ASSERT_NE(keyboard, 0);
    EXPECT_TRUE(WaitFor([] { return Query().fdwFlags == SIPF_ON; }));  // never locked
    SIPINFO shown = Query();
    EXPECT_GT(shown.rcSipRect.right, shown.rcSipRect.left);

    EXPECT_TRUE(Apply(0));
    EXPECT_TRUE(WaitFor([] { return Query().fdwFlags == 0; }));
    EXPECT_TRUE(Apply(SIPF_ON));
    EXPECT_TRUE(WaitFor([] { return Query().fdwFlags == SIPF_ON; }));
    EXPECT_EQ(X11FindTopLevel(u"xvkbd", nullptr), keyboard);

    EXPECT_TRUE(Apply(0));
    EXPECT_TRUE(WaitFor([] { return Query().fdwFlags == 0; }));
}

TEST_F(DesktopSipTest, ARecordOfTheWrongSizeIsRefusedUntouched)
{
    SIPINFO info{};
    info.cbSize = 40;
    info.fdwFlags = 0x55;
    EXPECT_FALSE(SHSipInfo(SPI_GETSIPINFO, 0, &info, 0));
    EXPECT_EQ(info.fdwFlags, 0x55u);
    EXPECT_FALSE(SHSipInfo(SPI_SETSIPINFO, 0, nullptr, 0));
    EXPECT_FALSE(SHSipInfo(0x1234, 0, &info, 0));
}

}  // namespace
