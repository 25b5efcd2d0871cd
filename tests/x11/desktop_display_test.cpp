// The screen orientation through XRandR on Xvfb, which offers no rotation.
#include <gtest/gtest.h>

#include "platform/display.h"
#include "platform/x11/desktop.h"
#include "tests/x11/desktop_support.h"

namespace {

DEVMODEW Record(DWORD fields, DWORD orientation = 0)
{
    DEVMODEW mode{};
    mode.dmSize = sizeof(DEVMODEW);
    mode.dmFields = fields;
    mode.dmDisplayOrientation = orientation;
    return mode;
}

class DesktopDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(X11DesktopOpen(nullptr));
        g_settingChangeAnnouncements = 0;
    }
    void TearDown() override { X11DesktopClose(); }
};

TEST_F(DesktopDisplayTest, XvfbAnswersHonestlyThatItCannotRotate)
{
    DEVMODEW query = Record(DM_DISPLAYQUERYORIENTATION);
    EXPECT_NE(ChangeDisplaySettingsEx(nullptr, &query, 0, CDS_TEST, nullptr), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(query.dmDisplayOrientation & DMDO_270, 0u);

    DEVMODEW current = Record(DM_DISPLAYORIENTATION, 0xFFFF);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &current, 0, CDS_TEST, nullptr), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(current.dmDisplayOrientation, DMDO_0);
}

TEST_F(DesktopDisplayTest, AnUnsupportedTurnIsRefusedAndNotAnnounced)
{
    DEVMODEW turn = Record(DM_DISPLAYORIENTATION, DMDO_270);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &turn, 0, CDS_RESET, nullptr), DISP_CHANGE_BADMODE);
    DEVMODEW nonsense = Record(DM_DISPLAYORIENTATION, 3);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &nonsense, 0, CDS_RESET, nullptr), DISP_CHANGE_BADMODE);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, nullptr, 0, CDS_TEST, nullptr), DISP_CHANGE_FAILED);
    EXPECT_EQ(g_settingChangeAnnouncements, 0);

    // Turning to where it already is works and is announced.
    DEVMODEW normal = Record(DM_DISPLAYORIENTATION, DMDO_0);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &normal, 0, CDS_RESET, nullptr), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(g_settingChangeAnnouncements, 1);
}

}  // namespace
