// platform/devices.h on the contract machine: the device search.
#include "platform/devices.h"
#include "platform/text.h"
#include "tests/contract/machine.h"

namespace {

using DevicesContract = MachineTest;

TEST_F(DevicesContract, ASearchFindsTheMachinesLinesByNameInAnyCase) {
    struct Case {
        const char16_t* name;
        bool found;
    };
    const Case cases[] = {{u"COM1:", true},  {u"com4:", true},   {u"COM2:", false},  {u"COM1", false},
                          {u"LPT1:", false}, {u"COM4:x", false}, {u"COM40:", false}, {u"", false}};
    for (const Case& c : cases) {
        WIN32_FIND_DATAW data{};
        HANDLE search = FindFirstFileExW(c.name, FindExInfoStandard, &data, FindExSearchLimitToDevices, nullptr, 0);
        std::string shown(c.name, c.name + WLen(c.name));
        EXPECT_EQ(search != INVALID_HANDLE_VALUE, c.found) << shown;
        if (search == INVALID_HANDLE_VALUE) continue;
        EXPECT_EQ(WCompareNoCase(data.cFileName, c.name), 0) << shown;
        EXPECT_TRUE(FindClose(search)) << shown;
    }
    WIN32_FIND_DATAW data{};
    EXPECT_EQ(FindFirstFileExW(u"COM1:", FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0),
              INVALID_HANDLE_VALUE)
        << "only device searches are answered";
}

// Each search looks afresh: what --reconnect relies on.
TEST_F(DevicesContract, ALineThatWentAwayIsFoundAgainOnceItIsBack) {
    auto found = [](const char16_t* name) {
        HANDLE search = FindFirstFileExW(name, FindExInfoStandard, nullptr, FindExSearchLimitToDevices, nullptr, 0);
        return search != INVALID_HANDLE_VALUE && FindClose(search);
    };
    UnplugLine(4);
    EXPECT_FALSE(found(u"COM4:"));
    EXPECT_TRUE(found(u"COM1:"));
    ReplugLine(4);
    EXPECT_TRUE(found(u"COM4:"));
}

TEST_F(DevicesContract, TwoSearchesAreClosedOneByOne) {
    WIN32_FIND_DATAW data{};
    HANDLE first = FindFirstFileExW(u"COM1:", FindExInfoStandard, &data, FindExSearchLimitToDevices, nullptr, 0);
    HANDLE second = FindFirstFileExW(u"COM4:", FindExInfoStandard, nullptr, FindExSearchLimitToDevices, nullptr, 0);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE) << "the record may be left out";
    EXPECT_TRUE(FindClose(first));
    EXPECT_TRUE(FindClose(second));
    EXPECT_FALSE(FindClose(second)) << "closed already";
    for (int i = 0; i < 100; ++i) {
        HANDLE search = FindFirstFileExW(u"COM4:", FindExInfoStandard, &data, FindExSearchLimitToDevices, nullptr, 0);
        ASSERT_NE(search, INVALID_HANDLE_VALUE) << "closed searches are given back, " << i;
        ASSERT_TRUE(FindClose(search));
    }
}

TEST_F(DevicesContract, ARegistrationBeyondTheTenIndexesFails) {
    BYTE record[56] = {};
    EXPECT_EQ(RegisterDevice(u"COM", 10, u"btd.dll", record, sizeof record), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeregisterDevice(INVALID_HANDLE_VALUE));
}

}  // namespace
