#include "ports/registry_lookup.h"

#include <algorithm>

#include "platform/registry.h"
#include "platform/text.h"
#include "tests/ports/ports_test.h"

namespace {
const std::u16string kPorts = u"Software\\Microsoft\\Bluetooth\\Serial\\Ports";
const std::u16string kDevice = u"Software\\Microsoft\\Bluetooth\\Device";

std::vector<BYTE> Utf16(const std::u16string& text) {
    std::vector<BYTE> data;
    for (char16_t c : text) {
        data.push_back(static_cast<BYTE>(c & 0xFF));
        data.push_back(static_cast<BYTE>(c >> 8));
    }
    return data;
}

HKEY OpenKey(const std::u16string& path) {
    HKEY key = NO_KEY;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, 0, &key), ERROR_SUCCESS);
    return key;
}

class RegistryLookupTest : public PortsTest {};

// RegReadString on the value "v" of key "K", with a guard behind the buffer.
struct StringRead {
    int result;
    std::u16string text;
    bool guardIntact;
};

StringRead ReadString(DWORD type, const std::vector<BYTE>& data, DWORD capacityBytes) {
    EmuRegSetValue(u"K", u"v", type, data);
    WCHAR buffer[MAX_TEXT + 4];
    for (auto& c : buffer)
        c = u'#';
    HKEY key = OpenKey(u"K");
    StringRead read;
    read.result = RegReadString(key, u"v", buffer, capacityBytes);
    RegCloseKey(key);
    DWORD chars = capacityBytes / 2;
    read.text = std::u16string(buffer, std::find(buffer, buffer + chars, u'\0'));
    read.guardIntact = std::all_of(buffer + chars, buffer + MAX_TEXT + 4, [](WCHAR c) { return c == u'#'; });
    EXPECT_LT(std::find(buffer, buffer + chars, u'\0'), buffer + chars) << "text not terminated in its buffer";
    return read;
}
}  // namespace

TEST_F(RegistryLookupTest, OpenSubkeyByIndexGivesNameAndOpenKey) {
    EmuRegCreateKey(u"P\\first");
    EmuRegSetString(u"P\\second", u"v", u"x");
    HKEY parent = OpenKey(u"P");
    WCHAR name[MAX_TEXT];
    HKEY key = 0;
    ASSERT_EQ(RegOpenSubkeyByIndex(parent, 1, name, &key), 1);
    EXPECT_EQ(Text(name), u"second");
    WCHAR value[MAX_TEXT];
    EXPECT_EQ(RegReadString(key, u"v", value, sizeof(value)), 1);
    EXPECT_EQ(EmuRegOpenKeyCount(), 2);
    RegCloseKey(key);

    EXPECT_EQ(RegOpenSubkeyByIndex(parent, 2, name, &key), 0);
    EXPECT_EQ(EmuRegOpenKeyCount(), 1);
    RegCloseKey(parent);
}

TEST_F(RegistryLookupTest, OpenSubkeyByIndexFailsForUnopenableOrOverlongNames) {
    EmuRegDenyOpen(u"P\\locked");
    EmuRegCreateKey(u"P\\" + std::u16string(MAX_TEXT, u'n'));
    EmuRegCreateKey(u"P\\" + std::u16string(MAX_TEXT - 1, u'n'));
    HKEY parent = OpenKey(u"P");
    WCHAR name[MAX_TEXT];
    HKEY key = 0;
    EXPECT_EQ(RegOpenSubkeyByIndex(parent, 0, name, &key), 0);
    EXPECT_EQ(RegOpenSubkeyByIndex(parent, 1, name, &key), 0);
    EXPECT_EQ(EmuRegOpenKeyCount(), 1);
    ASSERT_EQ(RegOpenSubkeyByIndex(parent, 2, name, &key), 1);
    EXPECT_EQ(WLen(name), MAX_TEXT - 1);
    RegCloseKey(key);
    RegCloseKey(parent);
}

TEST_F(RegistryLookupTest, ReadStringTakesTerminatedAndUnterminatedText) {
    std::vector<BYTE> odd = Utf16(u"COM5");
    odd.push_back(0x41);  // a stray byte is no character
    const std::u16string longest(MAX_TEXT - 1, u'x');
    const struct {
        std::vector<BYTE> data;
        DWORD capacityBytes;
        std::u16string text;
    } cases[] = {
        {Utf16(std::u16string(u"COM5:") + u'\0'), 12, u"COM5:"},
        {Utf16(u"COM5"), 12, u"COM5"},  // no terminator, room for one
        {odd, 12, u"COM5"},
        {{}, 12, u""},
        {Utf16(std::u16string(u"AB\0CD", 5)), 12, u"AB"},
        {Utf16(longest + u'\0'), 2 * MAX_TEXT, longest},
    };
    for (const auto& c : cases) {
        StringRead read = ReadString(REG_SZ, c.data, c.capacityBytes);
        EXPECT_EQ(read.result, 1) << c.data.size() << " bytes";
        EXPECT_EQ(read.text, c.text);
        EXPECT_TRUE(read.guardIntact);
    }
}

TEST_F(RegistryLookupTest, ReadStringTreatsTooLongAndOtherTypesAsAbsent) {
    // Six characters do not fit the 12-byte capacity, with or without terminator.
    for (const auto& data : {Utf16(std::u16string(u"COM10:") + u'\0'), Utf16(u"COM10:")}) {
        StringRead read = ReadString(REG_SZ, data, 12);
        EXPECT_EQ(read.result, 0);
        EXPECT_EQ(read.text, u"");
        EXPECT_TRUE(read.guardIntact);
    }
    std::vector<BYTE> text = Utf16(std::u16string(u"COM5") + u'\0');
    for (DWORD type : {REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_NONE}) {
        StringRead read = ReadString(type, text, 12);
        EXPECT_EQ(read.result, 0) << "type " << type;
        EXPECT_EQ(read.text, u"");
    }
    HKEY key = OpenKey(u"K");
    WCHAR buffer[6] = u"junk";
    EXPECT_EQ(RegReadString(key, u"missing", buffer, sizeof(buffer)), 0);
    EXPECT_EQ(buffer[0], 0);
    RegCloseKey(key);
}

TEST_F(RegistryLookupTest, ReadDwordNeedsFourByteDword) {
    EmuRegSetDword(u"K", u"d", 0x12345678);
    EmuRegSetValue(u"K", u"binary", REG_BINARY, {1, 0, 0, 0});
    EmuRegSetValue(u"K", u"short", REG_DWORD, {1, 0});
    EmuRegSetValue(u"K", u"long", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0});
    HKEY key = OpenKey(u"K");
    DWORD value = 0;
    EXPECT_EQ(RegReadDword(key, u"d", &value), 1);
    EXPECT_EQ(value, 0x12345678u);
    for (const char16_t* name : {u"binary", u"short", u"long", u"missing"}) {
        value = 7;
        EXPECT_EQ(RegReadDword(key, name, &value), 0);
        EXPECT_EQ(value, 7u) << "a failed read does not touch the value";
    }
    RegCloseKey(key);
}

TEST_F(RegistryLookupTest, FreeComIndexIsFirstUnregistered) {
    EXPECT_EQ(FindFreeComIndex(u"COM"), 0);
    AddComDevices(0, 1);
    AddComDevices(3, 3);
    EXPECT_TRUE(DeviceExists(u"COM3:"));
    EXPECT_FALSE(DeviceExists(u"COM2:"));
    EXPECT_EQ(FindFreeComIndex(u"COM"), 2);
    AddComDevices(0, 8);
    EXPECT_EQ(FindFreeComIndex(u"COM"), 9);
    AddComDevices(9, 9);
    EXPECT_EQ(FindFreeComIndex(u"COM"), NO_COM_INDEX);
}

TEST_F(RegistryLookupTest, SerialPortSearchSkipsMatchesWithoutPort) {
    EXPECT_EQ(FindBluetoothSerialPort(u"Incoming"), NO_COM_INDEX);  // no "Serial\Ports" at all
    EmuRegSetString(kPorts + u"\\Incoming1", u"Other", u"COM3");
    EmuRegSetString(kPorts + u"\\incoming2", u"Port", u"COM4");  // the test is case-sensitive
    EmuRegSetString(kPorts + u"\\OldIncoming", u"Port", u"COM0");
    EmuRegSetString(kPorts + u"\\Incoming3", u"Port", u"COM6");
    EXPECT_EQ(FindBluetoothSerialPort(u"Incoming"), 0);
    EXPECT_EQ(FindBluetoothSerialPort(u"Incoming3"), 6);
    EXPECT_EQ(FindBluetoothSerialPort(u"Nowhere"), NO_COM_INDEX);
}

TEST_F(RegistryLookupTest, SerialPortSearchIgnoresPortsThatNameNoDevice) {
    EmuRegSetString(kPorts + u"\\Dev_A1", u"Port", u"COM10");  // would give 1
    EmuRegSetString(kPorts + u"\\Dev_A2", u"Port", u"COM");    // would give 0 - 48
    EmuRegSetString(kPorts + u"\\Dev_A3", u"Port", u"COMX");
    EmuRegSetValue(kPorts + u"\\Dev_A4", u"Port", REG_EXPAND_SZ, Utf16(std::u16string(u"COM2") + u'\0'));
    EXPECT_EQ(FindBluetoothSerialPort(u"A"), NO_COM_INDEX);
    EmuRegSetString(kPorts + u"\\Dev_A5", u"Port", u"COM9");
    EXPECT_EQ(FindBluetoothSerialPort(u"A"), 9);
}

TEST_F(RegistryLookupTest, WalkStopsAtUnopenableSubkey) {
    EmuRegCreateKey(kPorts + u"\\A0");
    EmuRegCreateKey(kPorts + u"\\A1");
    EmuRegDenyOpen(kPorts + u"\\A2");
    EmuRegSetString(kPorts + u"\\A3", u"Port", u"COM3");
    EXPECT_EQ(FindBluetoothSerialPort(u"A"), NO_COM_INDEX);
}

TEST_F(RegistryLookupTest, WalkEndsAfterPosition255) {
    for (int i = 0; i < 300; ++i)
        EmuRegCreateKey(kPorts + u"\\K" + std::u16string(1, static_cast<char16_t>(0x4E00 + i)));
    EmuRegSetString(kPorts + u"\\Late", u"Port", u"COM2");  // position 300
    EXPECT_EQ(EndsInTime([] { return FindBluetoothSerialPort(u"Late"); }), NO_COM_INDEX);
    EmuRegSetString(kPorts + u"\\K" + std::u16string(1, static_cast<char16_t>(0x4E00 + 255)), u"Port", u"COM4");
    EXPECT_EQ(EndsInTime([] { return FindBluetoothSerialPort(u"K"); }), 4);
}

TEST_F(RegistryLookupTest, SerialPortServiceLooksOnlyAtCharacters4To7) {
    const std::u16string device = kDevice + u"\\0123456789AB";
    EmuRegCreateKey(device);
    HKEY deviceKey = OpenKey(device);
    EXPECT_EQ(FindSerialPortService(deviceKey), NO_KEY);  // no "Services"

    for (const char16_t* name : {u"1101", u"11010000-0000", u"ab", u"abcd110", u"0000110A"})
        EmuRegCreateKey(device + u"\\Services\\" + name);
    EXPECT_EQ(FindSerialPortService(deviceKey), NO_KEY);

    EmuRegSetDword(device + u"\\Services\\XYZW1101", u"channel", 5);
    EmuRegSetDword(device + u"\\Services\\00001101-0000-1000-8000-00805F9B34FB", u"channel", 6);
    HKEY service = FindSerialPortService(deviceKey);
    ASSERT_NE(service, NO_KEY);
    EXPECT_EQ(EmuRegOpenKeyCount(), 2) << "only the device key and the service key";
    DWORD channel = 0;
    EXPECT_EQ(RegReadDword(service, u"channel", &channel), 1);
    EXPECT_EQ(channel, 5u) << "the first match in enumeration order";
    EXPECT_EQ(RegCloseKey(service), ERROR_SUCCESS);
    RegCloseKey(deviceKey);
}

TEST_F(RegistryLookupTest, SerialPortServiceWalkStopsAtUnopenableService) {
    const std::u16string device = kDevice + u"\\0123456789AB";
    EmuRegDenyOpen(device + u"\\Services\\00001101-locked");
    EmuRegCreateKey(device + u"\\Services\\00001101-open");
    HKEY deviceKey = OpenKey(device);
    EXPECT_EQ(FindSerialPortService(deviceKey), NO_KEY);
    RegCloseKey(deviceKey);
}
