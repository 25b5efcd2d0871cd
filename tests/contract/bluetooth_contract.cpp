// platform/bluetooth.h on the contract machine's shared radio: modes both
// ways, and switching off gives the radio back as it was found.
#include "platform/bluetooth.h"
#include "tests/contract/machine.h"

namespace {

using BluetoothContract = MachineTest;

TEST_F(BluetoothContract, TheModeIsReadAndSetBothWays) {
    for (DWORD found : {BTH_POWER_OFF, BTH_CONNECTABLE, BTH_DISCOVERABLE}) {
        SetRadio(found);
        DWORD mode = 99;
        ASSERT_EQ(BthGetMode(&mode), 0);
        EXPECT_EQ(mode, found);
    }
    SetRadio(BTH_POWER_OFF);
    for (DWORD wanted : {BTH_CONNECTABLE, BTH_DISCOVERABLE, BTH_CONNECTABLE}) {
        ASSERT_EQ(BthSetMode(wanted), 0);
        EXPECT_EQ(Radio(), wanted);
    }
    EXPECT_NE(BthSetMode(3), 0);
    EXPECT_EQ(Radio(), BTH_CONNECTABLE) << "an unknown mode changes nothing";
}

TEST_F(BluetoothContract, SwitchingOffGivesTheRadioBackAsFound) {
    struct Case {
        DWORD found;
        DWORD used;  // BTH_POWER_OFF: the program never switched it
    };
    const Case cases[] = {
        {BTH_POWER_OFF, BTH_CONNECTABLE},    {BTH_POWER_OFF, BTH_DISCOVERABLE}, {BTH_CONNECTABLE, BTH_DISCOVERABLE},
        {BTH_DISCOVERABLE, BTH_CONNECTABLE}, {BTH_CONNECTABLE, BTH_POWER_OFF},  {BTH_DISCOVERABLE, BTH_POWER_OFF},
    };
    for (const Case& c : cases) {
        SetRadio(c.found);
        if (c.used != BTH_POWER_OFF) {
            ASSERT_EQ(BthSetMode(c.used), 0);
            ASSERT_EQ(BthSetMode(BTH_DISCOVERABLE), 0);  // a second switch does not move what was found
            ASSERT_EQ(BthSetMode(c.used), 0);
            EXPECT_EQ(Radio(), c.used);
        }
        ASSERT_EQ(BthSetMode(BTH_POWER_OFF), 0);
        EXPECT_EQ(Radio(), c.found) << "found " << c.found << ", used " << c.used;
        ASSERT_EQ(BthSetMode(BTH_POWER_OFF), 0);
        EXPECT_EQ(Radio(), c.found) << "a second switch-off changes nothing";
    }
}

TEST_F(BluetoothContract, WhatTheUserChoseBetweenTwoUsesIsWhatComesBack) {
    SetRadio(BTH_POWER_OFF);
    ASSERT_EQ(BthSetMode(BTH_CONNECTABLE), 0);
    ASSERT_EQ(BthSetMode(BTH_POWER_OFF), 0);
    SetRadio(BTH_DISCOVERABLE);
    ASSERT_EQ(BthSetMode(BTH_CONNECTABLE), 0);
    ASSERT_EQ(BthSetMode(BTH_POWER_OFF), 0);
    EXPECT_EQ(Radio(), BTH_DISCOVERABLE);
}

}  // namespace
