#include "ports/port_list.h"

#include "base/resource.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ports/port_entry.h"
#include "tests/ports/ports_test.h"

namespace {
using Items = std::vector<std::u16string>;

const std::u16string kActive = u"Drivers\\Active";
const std::u16string kPorts = u"Software\\Microsoft\\Bluetooth\\Serial\\Ports";
const std::u16string kDevice = u"Software\\Microsoft\\Bluetooth\\Device";

INT_PTR QuietProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

std::u16string Digit(int i) { return std::u16string(1, static_cast<char16_t>(u'0' + i)); }

class PortListTest : public PortsTest {
  protected:
    void SetUp() override {
        PortsTest::SetUp();
        HWND dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, QuietProc, 0);
        ASSERT_NE(dialog, 0);
        portList = GetDlgItem(dialog, IDC_PORT);
        ASSERT_NE(portList, 0);
        EmuClearMessageLog();
    }

    // The entries in the order they were added.
    Items Added() const {
        Items added;
        for (const EmuMessage& m : EmuMessageLog())
            if (m.target == portList && m.message == CB_ADDSTRING) {
                EXPECT_EQ(m.wParam, 0u);
                added.push_back(m.text);
            }
        return added;
    }

    Items Shown() const { return EmuComboItems(IDC_PORT); }

    void ListAll() {
        ListActivePorts(portList, u"COM");
        ListBluetoothPorts(portList);
    }

    HWND portList = 0;
};
}  // namespace

TEST_F(PortListTest, ActiveDriversAreFilteredAndSorted) {
    LoadHandheld("drivers.reg");
    EXPECT_EQ(ListActivePorts(portList, u"COM"), 1);
    EXPECT_EQ(Added(), (Items{u"COM1: Serial", u"COM8: BT-Modem", u"COM0: Serial2", u"COM3: serialIR", u"COM4: Raw"}));
    EXPECT_EQ(Shown(), (Items{u"COM0: Serial2", u"COM1: Serial", u"COM3: serialIR", u"COM4: Raw", u"COM8: BT-Modem"}));
    // A driver whose description begins with the marker reads as a Bluetooth entry.
    EXPECT_TRUE(IsBluetoothEntry(u"COM8: BT-Modem"));
}

TEST_F(PortListTest, ActiveDriversNeedTheirKey) {
    EXPECT_EQ(ListActivePorts(portList, u"COM"), 0);
    EmuRegDenyOpen(kActive);
    EXPECT_EQ(ListActivePorts(portList, u"COM"), 0);
    EXPECT_TRUE(Added().empty());
}

TEST_F(PortListTest, ActiveDriverWalkStopsAtUnopenableDriver) {
    EmuRegSetString(kActive + u"\\0", u"Name", u"COM1:");
    EmuRegSetString(kActive + u"\\0", u"Key", u"Drivers\\A");
    EmuRegDenyOpen(kActive + u"\\1");
    EmuRegSetString(kActive + u"\\2", u"Name", u"COM2:");
    EmuRegSetString(kActive + u"\\2", u"Key", u"Drivers\\B");
    EXPECT_EQ(ListActivePorts(portList, u"COM"), 1);
    EXPECT_EQ(Added(), (Items{u"COM1: A"}));
}

TEST_F(PortListTest, OverlongDriverDescriptionIsCutNotOverrun) {
    std::u16string description(300, u'd');
    EmuRegSetString(kActive + u"\\0", u"Name", u"COM1:");
    EmuRegSetString(kActive + u"\\0", u"Key", u"X\\" + description.substr(0, 250));
    EmuRegSetString(kActive + u"\\1", u"Name", u"COM2:");
    EmuRegSetString(kActive + u"\\1", u"Key", description.substr(0, MAX_TEXT - 1));  // longest "Key" read
    ListActivePorts(portList, u"COM");
    Items added = Added();
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0], u"COM1: " + description.substr(0, 250));
    EXPECT_EQ(added[1], u"COM2: " + description.substr(0, MAX_TEXT - 1 - 6));
}

// SerialBT, SerialIR and ActiveDevice hide a driver only at the start of its
// description, GPS anywhere; case counts.
TEST_F(PortListTest, HiddenDriverNamesCountOnlyAtTheStart) {
    const struct {
        const char16_t* description;
        bool listed;
    } drivers[] = {{u"SerialBT2", false},     {u"MySerialBT", true},     {u"SerialIR", false}, {u"FastSerialIR", true},
                   {u"ActiveDevice9", false}, {u"InActiveDevice", true}, {u"xGPSx", false},    {u"serialbt", true}};
    Items expected;
    int index = 0;
    for (const auto& d : drivers) {
        std::u16string name = u"COM" + Digit(index++) + u":";
        EmuRegSetString(kActive + u"\\" + name, u"Name", name);
        EmuRegSetString(kActive + u"\\" + name, u"Key", std::u16string(u"Drivers\\") + d.description);
        if (d.listed) expected.push_back(name + u" " + d.description);
    }
    ListActivePorts(portList, u"COM");
    EXPECT_EQ(Added(), expected);
}

// Only a name that begins with "Incoming" marks a server port: both device
// keys exist, so nothing else keeps either port off the list.
TEST_F(PortListTest, OnlyPortsWhoseNameBeginsWithIncomingAreServerPorts) {
    EmuRegSetString(kPorts + u"\\Incoming_ABC", u"Port", u"COM4");
    EmuRegSetString(kDevice + u"\\ming_ABC", u"name", u"Server");
    EmuRegSetString(kPorts + u"\\Dev_Incoming", u"Port", u"COM3");
    EmuRegSetString(kDevice + u"\\Incoming", u"name", u"Client");
    ListBluetoothPorts(portList);
    EXPECT_EQ(Added(), (Items{u"COM3: BT-Client"}));
}

TEST_F(PortListTest, BluetoothHandheld) {
    LoadHandheld("bluetooth.reg");
    AddComDevices(0, 6);
    ListBluetoothPorts(portList);
    EXPECT_EQ(Added(), (Items{u"COM5: BT-out", u"COM6: BT-Pocket Terminal", u"COM7: BT-Laptop", u"COM7: BT-Terminal"}));
    for (const auto& entry : Added())
        EXPECT_TRUE(IsBluetoothEntry(entry.c_str()));
}

TEST_F(PortListTest, WholeHandheldListsDriversFirst) {
    LoadHandheld("drivers.reg");
    LoadHandheld("bluetooth.reg");
    ListAll();
    Items added = Added();
    ASSERT_EQ(added.size(), 9u);
    EXPECT_EQ(added[5], u"COM5: BT-out");
    EXPECT_EQ(added[7], u"COM0: BT-Laptop") << "no device is registered, so index 0 is free";
    EXPECT_EQ(Shown().front(), u"COM0: BT-Laptop");
    EXPECT_EQ(Shown().back(), u"COM8: BT-Modem");
}

TEST_F(PortListTest, NoFreeIndexListsNoUnconfiguredDevice) {
    LoadHandheld("bluetooth.reg");
    AddComDevices(0, 9);
    ListBluetoothPorts(portList);
    EXPECT_EQ(Added(), (Items{u"COM5: BT-out", u"COM6: BT-Pocket Terminal"}));
}

TEST_F(PortListTest, FreeIndexCountsRegisteredDevicesOnly) {
    EmuRegSetString(kPorts + u"\\Dev_AAAAAAAAAAAA", u"Port", u"COM0");
    EmuRegCreateKey(kDevice + u"\\AAAAAAAAAAAA");
    EmuRegCreateKey(kDevice + u"\\BBBBBBBBBBBB\\Services\\00001101");
    AddComDevices(1, 1);
    ListBluetoothPorts(portList);
    // COM0: is not registered, only configured: the first free index is still 0.
    EXPECT_EQ(Added(), (Items{u"COM0: BT-out", u"COM0: BT-out"}));
}

TEST_F(PortListTest, NoBluetoothKeysListsNothing) {
    ListBluetoothPorts(portList);
    EXPECT_TRUE(Added().empty());
    EmuRegDenyOpen(kPorts);
    EmuRegDenyOpen(kDevice);
    EmuRegCreateKey(kDevice + u"\\AAAAAAAAAAAA\\Services\\00001101");
    ListBluetoothPorts(portList);
    EXPECT_TRUE(Added().empty());
}

TEST_F(PortListTest, ConfiguredPortsThatNameNoDeviceAreLeftOut) {
    const std::u16string device = u"0123456789AB";
    EmuRegCreateKey(kDevice + u"\\" + device);
    EmuRegSetString(kPorts + u"\\Dev_" + device, u"Port", u"COM10");  // entry would not read as Bluetooth
    EmuRegSetString(kPorts + u"\\Old_" + device, u"Port", u"CO5");
    EmuRegSetString(kPorts + u"\\New_" + device, u"Port", u"COM3:");  // "COM3::" would name no device
    EmuRegSetValue(kPorts + u"\\Alt_" + device, u"Port", REG_EXPAND_SZ, {'C', 0, 'O', 0, 'M', 0, '2', 0, 0, 0});
    // Four characters or fewer carry no device key name: not the "Device" key itself.
    EmuRegSetString(kPorts + u"\\Dev_", u"Port", u"COM1");
    EmuRegSetString(kPorts + u"\\Dev", u"Port", u"COM2");
    EmuRegSetString(kPorts + u"\\Incoming" + device, u"Port", u"COM4");
    ListBluetoothPorts(portList);
    EXPECT_TRUE(Added().empty());
    EmuRegSetString(kPorts + u"\\Fix_" + device, u"Port", u"COM9");
    ListBluetoothPorts(portList);
    EXPECT_EQ(Added(), (Items{u"COM9: BT-out"}));
}

TEST_F(PortListTest, DeviceWithUnusablePortIsListedAsUnconfigured) {
    EmuRegSetString(kPorts + u"\\Dev_0123456789AB", u"Port", u"COM10");
    EmuRegSetString(kDevice + u"\\0123456789AB", u"name", u"Scanner");
    EmuRegCreateKey(kDevice + u"\\0123456789AB\\Services\\00001101");
    AddComDevices(0, 2);
    ListBluetoothPorts(portList);
    EXPECT_EQ(Added(), (Items{u"COM3: BT-Scanner"}));
}

TEST_F(PortListTest, BluetoothNameIsTakenAsStoredOrLeftOutWhenTooLong) {
    const std::u16string longest(MAX_TEXT - 1 - 9, u'n');
    EmuRegSetString(kDevice + u"\\A", u"name", longest);
    EmuRegSetString(kDevice + u"\\B", u"name", longest + u"n");
    EmuRegSetString(kDevice + u"\\C", u"name", u"");
    EmuRegSetValue(kDevice + u"\\D", u"name", REG_SZ, {'P', 0, 'D', 0, 'A', 0});  // no terminator
    EmuRegSetValue(kDevice + u"\\E", u"name", REG_MULTI_SZ, {'M', 0, 0, 0, 0, 0});
    for (const char16_t* key : {u"A", u"B", u"C", u"D", u"E"}) {
        HKEY deviceKey = 0;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kDevice + u"\\" + key).c_str(), 0, 0, &deviceKey), ERROR_SUCCESS);
        AddBluetoothPortEntry(portList, deviceKey, u"COM4:");
        RegCloseKey(deviceKey);
    }
    EXPECT_EQ(Added(), (Items{u"COM4: BT-" + longest, u"COM4: BT-", u"COM4: BT-PDA", u"COM4: BT-out"}));
}

TEST_F(PortListTest, ConfiguredPortWithOverlongDeviceKeyNameIsLeftOut) {
    // The path "Device\<name>" would not fit 259 characters and, cut, would open another key.
    const std::u16string name(240, u'A');
    EmuRegSetString(kPorts + u"\\Dev_" + name, u"Port", u"COM1");
    EmuRegCreateKey(kDevice + u"\\" + name.substr(0, 259 - 36));
    EmuRegCreateKey(kDevice + u"\\" + name);
    ListBluetoothPorts(portList);
    EXPECT_TRUE(Added().empty());
}

TEST_F(PortListTest, WalksEndAfterPosition255) {
    for (int i = 0; i < 300; ++i) {
        std::u16string n = Digit(i / 100) + Digit(i / 10 % 10) + Digit(i % 10);
        EmuRegSetString(kActive + u"\\" + n, u"Name", u"COM1:");
        EmuRegSetString(kActive + u"\\" + n, u"Key", u"D\\" + n);
        EmuRegCreateKey(kPorts + u"\\Incoming" + n);
        EmuRegCreateKey(kDevice + u"\\" + n + u"\\Services\\00001101");
    }
    EndsInTime([this] { ListAll(); });
    Items added = Added();
    ASSERT_EQ(added.size(), 512u);
    EXPECT_EQ(added[255], u"COM1: 255");
    EXPECT_EQ(added[511], u"COM0: BT-out");
}
