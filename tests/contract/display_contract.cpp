// platform/display.h on each screen a backend offers: what the capability
// test reports is what the turns do.
#include <gtest/gtest.h>

#include "platform/common/settings_change.h"
#include "platform/display.h"
#include "tests/contract/screen.h"

namespace {

int g_announcements = 0;

DEVMODEW Record(DWORD fields, DWORD orientation = 0) {
    DEVMODEW mode{};
    mode.dmSize = sizeof(DEVMODEW);
    mode.dmFields = fields;
    mode.dmDisplayOrientation = orientation;
    return mode;
}

DWORD Current() {
    DEVMODEW mode = Record(DM_DISPLAYORIENTATION, 0xFFFF);
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &mode, 0, CDS_TEST, nullptr), DISP_CHANGE_SUCCESSFUL);
    return mode.dmDisplayOrientation;
}

class DisplayContract : public ::testing::TestWithParam<Screen> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(GetParam().open());
        g_announcements = 0;
        ListenForSettingChange([] { ++g_announcements; });
    }
    void TearDown() override {
        DEVMODEW back = Record(DM_DISPLAYORIENTATION, DMDO_0);
        EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &back, 0, CDS_RESET, nullptr), DISP_CHANGE_SUCCESSFUL);
        ListenForSettingChange(nullptr);
        GetParam().close();
    }
};

TEST_P(DisplayContract, EveryTurnTheCapabilityReportsWorksAndNoOther) {
    DEVMODEW query = Record(DM_DISPLAYQUERYORIENTATION, 0xFFFF);
    LONG capable = ChangeDisplaySettingsEx(nullptr, &query, 0, CDS_TEST, nullptr);
    DWORD turns = query.dmDisplayOrientation;
    EXPECT_EQ(turns & ~(DMDO_90 | DMDO_180 | DMDO_270), 0u) << "DMDO_ bits besides DMDO_0";
    EXPECT_EQ(capable, (turns & DMDO_270) != 0 ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE);
    EXPECT_EQ(Current(), DMDO_0);

    for (DWORD wanted : {DMDO_0, DMDO_90, DMDO_180, DMDO_270, DWORD{3}, DWORD{8}, DMDO_0}) {
        bool possible = wanted == DMDO_0 || (wanted != 3 && (turns & wanted) != 0);
        DWORD before = Current();
        int announced = g_announcements;
        DEVMODEW turn = Record(DM_DISPLAYORIENTATION, wanted);
        LONG result = ChangeDisplaySettingsEx(nullptr, &turn, 0, CDS_RESET, nullptr);
        EXPECT_EQ(result, possible ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE) << wanted;
        EXPECT_EQ(Current(), possible ? wanted : before) << wanted;
        EXPECT_EQ(g_announcements, announced + (possible ? 1 : 0)) << wanted;
    }
}

TEST_P(DisplayContract, RequestsOutsideTheThreeAreRefusedAlike) {
    struct Case {
        DWORD fields;
        DWORD flags;
        WORD size;
        LONG result;
    };
    const Case cases[] = {
        {DM_DISPLAYQUERYORIENTATION, CDS_RESET, sizeof(DEVMODEW), DISP_CHANGE_BADMODE},
        {DM_DISPLAYORIENTATION | DM_DISPLAYQUERYORIENTATION, CDS_TEST, sizeof(DEVMODEW), DISP_CHANGE_BADMODE},
        {DM_DISPLAYORIENTATION, 0, sizeof(DEVMODEW), DISP_CHANGE_BADMODE},
        {0, CDS_TEST, sizeof(DEVMODEW), DISP_CHANGE_BADMODE},
        {DM_DISPLAYORIENTATION, CDS_TEST, 0, DISP_CHANGE_FAILED},
        {DM_DISPLAYORIENTATION, CDS_RESET, sizeof(DEVMODEW) - 4, DISP_CHANGE_FAILED},
    };
    for (const Case& c : cases) {
        const DWORD untouched = 0xABCD;
        DEVMODEW mode = Record(c.fields, untouched);
        mode.dmSize = c.size;
        EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, &mode, 0, c.flags, nullptr), c.result)
            << std::hex << c.fields << " " << c.flags << " " << std::dec << c.size;
        EXPECT_EQ(mode.dmDisplayOrientation, untouched) << "a refused request leaves the record alone";
    }
    EXPECT_EQ(ChangeDisplaySettingsEx(nullptr, nullptr, 0, CDS_TEST, nullptr), DISP_CHANGE_FAILED);
    EXPECT_EQ(g_announcements, 0);
}

INSTANTIATE_TEST_SUITE_P(Backend, DisplayContract, ::testing::ValuesIn(Screens()),
                         [](const ::testing::TestParamInfo<Screen>& info) { return info.param.name; });

}  // namespace
