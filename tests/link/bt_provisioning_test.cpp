// Bluetooth provisioning: the device lookup, the port registrations and
// their records, the radio, and the settings applet.
#include "link/bt_provisioning.h"
#include "platform/bluetooth.h"
#include "platform/emulated/emu_registry.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "tests/link/link_fixture.h"

namespace {
const std::u16string DEVICE_ROOT = u"Software\\Microsoft\\Bluetooth\\Device\\";
constexpr DWORD UNTOUCHED = 0xDEADBEEF;

class DeviceChannelTest : public LinkTest {
  protected:
    BYTE Find(const std::u16string& name) { return FindDeviceChannel(name.c_str(), address); }
    DWORD address[2] = {UNTOUCHED, UNTOUCHED};
};

// The device key's name is the address: four digits of its high part, then eight.
TEST_F(DeviceChannelTest, TheChannelAndAddressOfTheDeviceNamed) {
    struct Device {
        const char16_t* key;
        const char16_t* name;
        DWORD channel;
    };
    const struct {
        std::vector<Device> devices;
        const char16_t* wanted;
        BYTE channel;
        DWORD low, high;
    } cases[] = {
        {{{u"0123456789AB", u"Term", 5}}, u"Term", 5, 0x456789AB, 0x0123},
        {{{u"00A0C6123456", u"Beef", 2}}, u"Beef", 2, 0xC6123456, 0x00A0},  // hex letters do not leak
        // A key that is no address is passed over; lower case is an address.
        {{{u"12AB", u"Term", 1},
          {u"0123456789AG", u"Term", 2},
          {u"0123456789ABC", u"Term", 3},
          {u"a0b1c2d3e4f5", u"Term", 4}},
         u"Term",
         4,
         0xC2D3E4F5,
         0xA0B1},
        // Every name is looked up, even one that reads like a marker.
        {{{u"0000000000BB", u"BT-In", 6}, {u"0000000000CC", u"In", 7}}, u"BT-In", 6, 0xBB, 0},
        {{{u"0000000000BB", u"BT-In", 6}, {u"0000000000CC", u"In", 7}}, u"In", 7, 0xCC, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.wanted, c.wanted + WLen(c.wanted)));
        EmuResetRegistry();
        for (const Device& d : c.devices)
            AddPairedDevice(d.key, d.name, d.channel);
        EXPECT_EQ(Find(c.wanted), c.channel);
        EXPECT_EQ(address[0], c.low);
        EXPECT_EQ(address[1], c.high);
        EXPECT_EQ(EmuRegOpenKeyCount(), 0);
    }
}

TEST_F(DeviceChannelTest, NameMustMatchExactly) {
    AddPairedDevice(u"0123456789AB", u"Term", 5);

    EXPECT_EQ(Find(u"term"), 0);
    EXPECT_EQ(Find(u"Ter"), 0);
    EXPECT_EQ(Find(u"Term "), 0);
    EXPECT_EQ(address[0], UNTOUCHED);
    EXPECT_EQ(address[1], UNTOUCHED);
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);
}

TEST_F(DeviceChannelTest, ChannelMustBeADwordWithALowByteOfOneTo255) {
    // Passed over: no service, a channel of another type, a zero low byte.
    EmuRegSetString(DEVICE_ROOT + u"000000000001", u"name", u"Term");
    EmuRegCreateKey(DEVICE_ROOT + u"000000000001\\Services\\00001105-0000-1000-8000-00805F9B34FB");
    EmuRegSetString(DEVICE_ROOT + u"000000000002", u"name", u"Term");
    EmuRegSetValue(ServiceKeyPath(u"000000000002"), u"channel", REG_BINARY, {7, 0, 0, 0});
    AddPairedDevice(u"000000000003", u"Term", 0x100);
    EmuRegSetString(DEVICE_ROOT + u"000000000004", u"name", u"Term");
    EmuRegCreateKey(ServiceKeyPath(u"000000000004"));
    AddPairedDevice(u"000000000005", u"Term", 0x1FF);
    AddPairedDevice(u"000000000006", u"Term", 9);

    EXPECT_EQ(Find(u"Term"), 0xFF);
    EXPECT_EQ(address[0], 5u);
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);
}

TEST_F(DeviceChannelTest, DeviceWithoutAUsableChannelIsNotFound) {
    EmuRegSetString(DEVICE_ROOT + u"0123456789AB", u"name", u"Term");
    EmuRegSetValue(ServiceKeyPath(u"0123456789AB"), u"channel", REG_SZ, {0x33, 0, 0, 0});

    EXPECT_EQ(Find(u"Term"), 0);
    EXPECT_EQ(address[0], UNTOUCHED);
}

TEST_F(DeviceChannelTest, NoDeviceKeyAtAll) {
    EXPECT_EQ(Find(u"Term"), 0);
    EXPECT_EQ(address[0], UNTOUCHED);
}

TEST_F(DeviceChannelTest, WalkStopsAtAKeyThatDoesNotOpen) {
    AddPairedDevice(u"000000000001", u"Other", 1);
    AddPairedDevice(u"000000000002", u"Term", 2);
    AddPairedDevice(u"000000000003", u"Term", 3);
    EmuRegDenyOpen(DEVICE_ROOT + u"000000000002");

    EXPECT_EQ(Find(u"Term"), 0);
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);
}

class RegistrationTest : public LinkTest {};

TEST_F(RegistrationTest, IncomingRecordAsksTheDriverForAnyServerChannel) {
    HANDLE h = RegisterIncomingPort(4);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_EQ(EmuRegistrations().size(), 1u);
    const EmuRegistration& r = EmuRegistrations()[0];
    EXPECT_EQ(r.prefix, u"COM");
    EXPECT_EQ(r.index, 4u);
    EXPECT_EQ(r.library, u"btd.dll");
    std::vector<BYTE> expected(56, 0);
    expected[0] = 0xFE;
    expected[4] = 1;
    EXPECT_EQ(r.record, expected);
    EXPECT_TRUE(EmuDeviceRegistered(u"COM4:"));
}

TEST_F(RegistrationTest, OutgoingPortTakesTheEntrysDigit) {
    AddPairedDevice(u"FEDCBA987654", u"My Term", 17);

    EXPECT_EQ(RegisterOutgoingPort(u"COM6: BT-My Term"), 1);
    ASSERT_EQ(EmuRegistrations().size(), 1u);
    const EmuRegistration& r = EmuRegistrations()[0];
    EXPECT_EQ(r.index, 6u);
    std::vector<BYTE> expected(56, 0);
    const BYTE head[14] = {17, 0, 0, 0, 0, 0, 0, 0, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    std::copy(head, head + 14, expected.begin());
    EXPECT_EQ(r.record, expected);
    EXPECT_NE(g_hOutgoingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(RegistrationTest, OutgoingPortFailsWithoutADeviceOrARegistration) {
    AddPairedDevice(u"FEDCBA987654", u"Term", 17);

    EXPECT_EQ(RegisterOutgoingPort(u"COM6: BT-Other"), 0);
    EXPECT_TRUE(EmuRegistrations().empty());
    EXPECT_EQ(g_hOutgoingDevice, INVALID_HANDLE_VALUE);

    EmuFailRegistration(true);
    EXPECT_EQ(RegisterOutgoingPort(u"COM6: BT-Term"), 0);
    EXPECT_EQ(g_hOutgoingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(RegistrationTest, OutgoingPortNeedsADigitInTheDeviceName) {
    AddPairedDevice(u"FEDCBA987654", u"Term", 17);
    EXPECT_EQ(RegisterOutgoingPort(u"COMX: BT-Term"), 0);
    EXPECT_EQ(RegisterOutgoingPort(u"COM6"), 0);
    EXPECT_TRUE(EmuRegistrations().empty());
}

TEST_F(RegistrationTest, IncomingPortOnlyWithTheFlagAndWithoutAConfiguredOne) {
    EmuAddDevice(u"COM0:");
    EXPECT_EQ(SetBluetoothMode(BTH_CONNECTABLE, 0), 0);
    EXPECT_TRUE(EmuRegistrations().empty());

    EXPECT_EQ(SetBluetoothMode(BTH_CONNECTABLE, 1), 0);
    ASSERT_EQ(EmuRegistrations().size(), 1u);
    EXPECT_EQ(EmuRegistrations()[0].index, 1u);
    EXPECT_NE(g_hIncomingDevice, INVALID_HANDLE_VALUE);
    BluetoothShutdown();

    EmuRegSetString(u"Software\\Microsoft\\Bluetooth\\Serial\\Ports\\Incoming", u"Port", u"COM8");
    SetBluetoothMode(BTH_CONNECTABLE, 1);
    EXPECT_EQ(EmuRegistrations().size(), 1u);
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(RegistrationTest, NoFreeIndexNoIncomingPort) {
    for (char16_t d = u'0'; d <= u'9'; ++d)
        EmuAddDevice(std::u16string(u"COM") + d + u":");
    SetBluetoothMode(BTH_CONNECTABLE, 1);
    EXPECT_TRUE(EmuRegistrations().empty());
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(RegistrationTest, ModeResultIsThePlatformsEvenAfterRegistering) {
    EmuFailSetMode(BTH_CONNECTABLE, true);
    EXPECT_NE(SetBluetoothMode(BTH_CONNECTABLE, 1), 0);
    EXPECT_EQ(EmuRegistrations().size(), 1u);
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
}

TEST_F(RegistrationTest, ShutdownRemovesBothPortsAndASecondChangesNothing) {
    AddPairedDevice(u"0123456789AB", u"Term", 3);
    SetBluetoothMode(BTH_CONNECTABLE, 1);
    ASSERT_EQ(RegisterOutgoingPort(u"COM7: BT-Term"), 1);
    ASSERT_EQ(EmuRegistrations().size(), 2u);

    BluetoothShutdown();
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
    EXPECT_FALSE(EmuRegistrations()[0].active);
    EXPECT_FALSE(EmuRegistrations()[1].active);
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_hOutgoingDevice, INVALID_HANDLE_VALUE);

    BluetoothShutdown();
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
    EXPECT_EQ(EmuRegistrations().size(), 2u);
    EXPECT_EQ(g_hIncomingDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_hOutgoingDevice, INVALID_HANDLE_VALUE);
}

class SettingsAppletTest : public LinkTest {};

TEST_F(SettingsAppletTest, WaitsInStepsWhileTheWindowExists) {
    EmuProcessWindow(u"ctlpnl.exe", u"CPL_Bluetooth", 50, 650);

    RunBluetoothSettings(0);

    ASSERT_EQ(EmuStartedProcesses().size(), 1u);
    const EmuProcess& p = EmuStartedProcesses()[0];
    EXPECT_EQ(p.image, u"ctlpnl.exe");
    EXPECT_EQ(p.commandLine, u"cplmain.cpl,23,0");
    EXPECT_EQ(p.creationFlags, 0x10u);
    EXPECT_EQ(p.startedAt, 0u);
    // Searches at 200, 400 and 600 find the window; the one at 800 does not.
    EXPECT_EQ(EmuNow(), 800u);
    EXPECT_EQ(EmuRadioModeHistory(), (std::vector<DWORD>{BTH_DISCOVERABLE, BTH_POWER_OFF}));
}

TEST_F(SettingsAppletTest, WindowOpeningLateEndsTheWaitAtOnce) {
    EmuProcessWindow(u"ctlpnl.exe", u"CPL_Bluetooth", 300, 5000);

    RunBluetoothSettings(0);

    EXPECT_EQ(EmuNow(), 200u);
    EXPECT_EQ(EmuRadioMode(), BTH_POWER_OFF);
}

TEST_F(SettingsAppletTest, RadioRefusingDiscoverableStartsNothing) {
    EmuSetRadioMode(BTH_CONNECTABLE);
    EmuFailSetMode(BTH_DISCOVERABLE, true);

    RunBluetoothSettings(0);

    EXPECT_TRUE(EmuStartedProcesses().empty());
    EXPECT_EQ(EmuNow(), 0u);
    EXPECT_EQ(EmuRadioMode(), BTH_CONNECTABLE);
}

TEST_F(SettingsAppletTest, FailedStartShutsBluetoothDownAtOnce) {
    EmuFailProcessStart(true);

    RunBluetoothSettings(0);

    EXPECT_TRUE(EmuStartedProcesses().empty());
    EXPECT_EQ(EmuNow(), 0u);
    EXPECT_EQ(EmuRadioModeHistory(), (std::vector<DWORD>{BTH_DISCOVERABLE, BTH_POWER_OFF}));
}

TEST_F(SettingsAppletTest, OtherWindowClassesAreNotWaitedFor) {
    EmuAddWindow(u"Bluetooth", u"CPL_Other");
    EmuProcessWindow(u"other.exe", u"CPL_Bluetooth", 0, 5000);

    RunBluetoothSettings(0);
    EXPECT_EQ(EmuNow(), 200u);
}
}  // namespace
