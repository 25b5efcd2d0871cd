// The x11 registry and radio against a stand-in for BlueZ (python3-dbusmock's
// bluez5 template on a private bus, started by tests/linux/with-bluez), read
// through the platform calls and the core's own lookups and port list.
#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/bt_provisioning.h"
#include "platform/bluetooth.h"
#include "platform/registry.h"
#include "platform/linux/bluez_client.h"
#include "platform/linux/device_view.h"
#include "platform/linux/sdp_cache.h"
#include "ports/registry_lookup.h"
#include "tests/linux/view_support.h"

namespace fs = std::filesystem;

namespace {

const char kMockInterface[] = "org.bluez.Mock";
const char kProperties[] = "org.freedesktop.DBus.Properties";
const char kAdapterPath[] = "/org/bluez/hci0";
const char kAdapterAddress[] = "00:01:02:03:04:05";  // what the template gives hci0
const char kSerialPortUuid[] = "00001101-0000-1000-8000-00805f9b34fb";
const char kObexPushUuid[] = "00001105-0000-1000-8000-00805f9b34fb";
const char16_t kDeviceRoot[] = u"Software\\Microsoft\\Bluetooth\\Device";

std::string DevicePath(const std::string& address) {
    std::string path = std::string(kAdapterPath) + "/dev_" + address;
    for (char& c : path)
        if (c == ':') c = '_';
    return path;
}

// One paired device as the registry shows it.
struct DeviceKey {
    std::u16string name;
    std::vector<std::string> services;
    std::map<std::string, DWORD> channels;  // service -> "channel"
    bool operator==(const DeviceKey&) const = default;
};

class BluezViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(getenv("DBUS_SYSTEM_BUS_ADDRESS"), nullptr) << "run through tests/linux/with-bluez";
        mockAddress_ = getenv("DBUS_SYSTEM_BUS_ADDRESS");
        bus_ = sdbus::createSystemBusConnection();
        Call("/", "org.freedesktop.DBus.Mock", "Reset");
        char tmpl[] = "/tmp/tastra-bluez-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directories(root_ / "dev");
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        UseDeviceViewRoots((root_ / "sys").c_str(), (root_ / "dev").c_str());
        UseBluetoothStateRoot((root_ / "state").c_str());
    }
    void TearDown() override {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", mockAddress_.c_str(), 1);
        UseBluetoothStateRoot(nullptr);
        UseDeviceViewRoots(nullptr, nullptr);
        unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(root_);
    }

    template <typename... Args>
    void Call(const std::string& path, const char* interface, const char* method, const Args&... args) {
        sdbus::createProxy(*bus_, "org.bluez", path)->callMethod(method).onInterface(interface).withArguments(args...);
    }
    template <typename T>
    T Get(const std::string& path, const char* interface, const char* name) {
        sdbus::Variant value;
        sdbus::createProxy(*bus_, "org.bluez", path)->callMethod("Get").onInterface(kProperties)
            .withArguments(interface, name).storeResultsTo(value);
        return value.get<T>();
    }
    void AddAdapter() { Call("/", kMockInterface, "AddAdapter", "hci0", "tastra-test"); }
    void AddDevice(const std::string& address, const std::string& alias) {
        Call("/", kMockInterface, "AddDevice", "hci0", address, alias);
    }
    // Pairing gives the template's own services; `uuids` replaces them when given.
    void AddPairedDevice(const std::string& address, const std::string& alias,
                         const std::vector<std::string>* uuids = nullptr) {
        AddDevice(address, alias);
        Call("/", kMockInterface, "PairDevice", "hci0", address, int32_t{0x5a020c});
        if (uuids != nullptr)
            Call(DevicePath(address), kProperties, "Set", "org.bluez.Device1", "UUIDs", sdbus::Variant(*uuids));
    }
    void SetAdapter(const char* name, bool on) {
        Call(kAdapterPath, kProperties, "Set", "org.bluez.Adapter1", name, sdbus::Variant(on));
    }
    bool AdapterFlag(const char* name) { return Get<bool>(kAdapterPath, "org.bluez.Adapter1", name); }
    // A cache file as bluetoothd writes it, with hex-encoded SDP records.
    void WriteSdpCache(const std::string& device, const std::vector<std::string>& records) {
        fs::path dir = root_ / "state" / kAdapterAddress / "cache";
        fs::create_directories(dir);
        std::ofstream f(dir / device);
        f << "[General]\nName=whatever\n\n[ServiceRecords]\n";
        for (size_t i = 0; i < records.size(); ++i) f << "0x0001000" << i << "=" << records[i] << "\n";
    }

    // Every device key in enumeration order, walked and read as the core does.
    std::vector<std::pair<std::string, DeviceKey>> DeviceKeys() {
        std::vector<std::pair<std::string, DeviceKey>> out;
        HKEY root, device, services, service;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &root) != ERROR_SUCCESS) return out;
        WCHAR name[MAX_TEXT], text[MAX_TEXT];
        for (BYTE i = 0; RegOpenSubkeyByIndex(root, i, name, &device); ++i) {
            DeviceKey d;
            if (RegReadString(device, u"name", text, sizeof text)) d.name = text;
            if (RegOpenKeyExW(device, u"Services", 0, 0, &services) == ERROR_SUCCESS) {
                for (BYTE j = 0; RegOpenSubkeyByIndex(services, j, text, &service); ++j) {
                    d.services.push_back(Narrow(text));
                    DWORD channel = 0;
                    if (RegReadDword(service, u"channel", &channel)) d.channels[Narrow(text)] = channel;
                    RegCloseKey(service);
                }
                RegCloseKey(services);
            }
            out.emplace_back(Narrow(name), d);
            RegCloseKey(device);
        }
        RegCloseKey(root);
        return out;
    }

    std::string mockAddress_;
    std::unique_ptr<sdbus::IConnection> bus_;
    fs::path root_;
};

// An SDP record: a 16-bit service class, then L2CAP, RFCOMM with its channel and OBEX (all in hex).
std::string SdpRecord(const std::string& serviceClass, const std::string& channel) {
    return "3526" "0900000A00010004" "090001350319" + serviceClass + "0900043511" "3503190100" "350519000308" + channel +
           "3503190008";
}

TEST_F(BluezViewTest, PairedDevicesBecomeKeysWithTheirNameAndServicesAndUnpairedOnesDoNot) {
    AddAdapter();
    std::vector<std::string> terminal = {kSerialPortUuid, kObexPushUuid};
    AddPairedDevice("0A:1B:2C:3D:4E:5F", "Terminal", &terminal);
    AddPairedDevice("11:22:33:44:55:66", "Phone");
    AddDevice("77:88:99:AA:BB:CC", "Stranger");

    auto phone = Get<std::vector<std::string>>(DevicePath("11:22:33:44:55:66"), "org.bluez.Device1", "UUIDs");
    std::vector<std::pair<std::string, DeviceKey>> expected = {
        {"0A1B2C3D4E5F", {u"Terminal", terminal, {}}},
        {"112233445566", {u"Phone", phone, {}}},
    };
    ASSERT_FALSE(phone.empty());
    EXPECT_EQ(DeviceKeys(), expected) << "no channel: BlueZ does not tell it and there is no SDP cache";

    EXPECT_EQ(BuildPortList(false), std::vector<std::string>{"COM0: BT-Terminal"}) << "only a Serial Port device is listed";
    DWORD address[2] = {0, 0};
    EXPECT_EQ(FindDeviceChannel(u"Terminal", address), 0) << "a device without a known channel cannot be connected";
    EXPECT_EQ(RegisterOutgoingPort(u"COM0: BT-Terminal"), 0);
    EXPECT_EQ(g_hOutgoingDevice, INVALID_HANDLE_VALUE);
}

TEST_F(BluezViewTest, TheSerialPortChannelComesFromTheSdpCacheOfTheRightDevice) {
    AddAdapter();
    std::vector<std::string> uuids = {kObexPushUuid, kSerialPortUuid};
    // Same name, earlier in key order, but nothing cached: passed over.
    AddPairedDevice("01:02:03:04:05:06", "Terminal", &uuids);
    AddPairedDevice("BE:1B:2C:3D:4E:5F", "Terminal", &uuids);
    // Object push on channel 12 comes first in the file and must not be taken.
    WriteSdpCache("BE:1B:2C:3D:4E:5F", {SdpRecord("1105", "0C"), SdpRecord("1101", "03")});

    auto keys = DeviceKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[0].second.channels.empty());
    EXPECT_EQ(keys[1].second.channels, (std::map<std::string, DWORD>{{kSerialPortUuid, 3}}));

    DWORD address[2] = {0, 0};
    EXPECT_EQ(FindDeviceChannel(u"Terminal", address), 3);
    EXPECT_EQ(address[0], 0x2C3D4E5Fu);
    EXPECT_EQ(address[1], 0xBE1Bu);
    EXPECT_EQ(FindDeviceChannel(u"terminal", address), 0) << "names compare exactly";
}

TEST_F(BluezViewTest, NamesComeFromNameElseAliasInFullUnicode) {
    AddAdapter();
    AddPairedDevice("0A:00:00:00:00:01", "Zürich € 𝄞");
    // BlueZ leaves Name out for a device that never told it; Alias is then the address or a user's choice.
    std::map<std::string, sdbus::Variant> aliasOnly = {
        {"Address", sdbus::Variant(std::string("0A:00:00:00:00:02"))},
        {"Alias", sdbus::Variant(std::string("Alias only"))},
        {"Paired", sdbus::Variant(true)},
        {"Adapter", sdbus::Variant(sdbus::ObjectPath(kAdapterPath))},
        {"UUIDs", sdbus::Variant(std::vector<std::string>{kSerialPortUuid})},
    };
    auto addDevice = [this](const std::string& path, const std::map<std::string, sdbus::Variant>& properties) {
        Call("/", "org.freedesktop.DBus.Mock", "AddObject", path, "org.bluez.Device1", properties,
             std::vector<sdbus::Struct<std::string, std::string, std::string, std::string>>{});
    };
    addDevice(DevicePath("0A:00:00:00:00:02"), aliasOnly);
    aliasOnly["Address"] = sdbus::Variant(std::string("0A:00:00:00:00"));
    addDevice(std::string(kAdapterPath) + "/dev_bad", aliasOnly);

    auto keys = DeviceKeys();
    ASSERT_EQ(keys.size(), 2u) << "a device without a 48-bit address gets no key";
    EXPECT_EQ(keys[0].first, "0A0000000001");
    EXPECT_EQ(keys[0].second.name, u"Zürich € 𝄞");
    EXPECT_EQ(keys[1].first, "0A0000000002");
    EXPECT_EQ(keys[1].second.name, u"Alias only");
}

TEST_F(BluezViewTest, TheRadioModeFollowsPoweredAndDiscoverableBothWays) {
    AddAdapter();
    DWORD mode = 99;
    ASSERT_EQ(BthGetMode(&mode), 0);
    EXPECT_EQ(mode, BTH_CONNECTABLE);
    SetAdapter("Discoverable", true);
    ASSERT_EQ(BthGetMode(&mode), 0);
    EXPECT_EQ(mode, BTH_DISCOVERABLE);
    SetAdapter("Powered", false);
    ASSERT_EQ(BthGetMode(&mode), 0);
    EXPECT_EQ(mode, BTH_POWER_OFF) << "not powered is off, whatever Discoverable says";

    ASSERT_EQ(BthSetMode(BTH_CONNECTABLE), 0);
    EXPECT_TRUE(AdapterFlag("Powered"));
    EXPECT_FALSE(AdapterFlag("Discoverable"));
    ASSERT_EQ(BthSetMode(BTH_DISCOVERABLE), 0);
    EXPECT_TRUE(AdapterFlag("Powered"));
    EXPECT_TRUE(AdapterFlag("Discoverable"));
    ASSERT_EQ(BthSetMode(BTH_POWER_OFF), 0);
    EXPECT_FALSE(AdapterFlag("Powered"));
    ASSERT_EQ(BthGetMode(&mode), 0);
    EXPECT_EQ(mode, BTH_POWER_OFF);

    EXPECT_NE(BthSetMode(3), 0);
    EXPECT_FALSE(AdapterFlag("Powered")) << "an unknown mode changes nothing";
    BluetoothShutdown();
    EXPECT_FALSE(AdapterFlag("Powered"));
}

TEST_F(BluezViewTest, SwitchingOffGivesTheAdapterBackAsTastraFoundIt) {
    AddAdapter();  // powered, not discoverable: the user's headset may be on it
    BluetoothShutdown();
    EXPECT_TRUE(AdapterFlag("Powered")) << "a radio Tastra did not switch on stays on";
    ASSERT_EQ(BthSetMode(BTH_DISCOVERABLE), 0);
    ASSERT_EQ(BthSetMode(BTH_CONNECTABLE), 0);
    BluetoothShutdown();
    EXPECT_TRUE(AdapterFlag("Powered"));
    EXPECT_FALSE(AdapterFlag("Discoverable"));

    SetAdapter("Discoverable", true);  // the user's choice, made while Tastra was idle
    ASSERT_EQ(BthSetMode(BTH_CONNECTABLE), 0);
    EXPECT_FALSE(AdapterFlag("Discoverable"));
    BluetoothShutdown();
    EXPECT_TRUE(AdapterFlag("Discoverable")) << "what Tastra found is what it gives back";
}

TEST_F(BluezViewTest, BluezWithoutAnAdapterHasNoRadioAndNoDevices) {
    DWORD mode = 99;
    EXPECT_NE(BthGetMode(&mode), 0);
    EXPECT_EQ(mode, 99u);
    EXPECT_NE(BthSetMode(BTH_CONNECTABLE), 0);
    HKEY root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &root), ERROR_SUCCESS);
    WCHAR name[MAX_TEXT];
    DWORD chars = MAX_TEXT;
    EXPECT_EQ(RegEnumKeyExW(root, 0, name, &chars), ERROR_NO_MORE_ITEMS);
    RegCloseKey(root);
}

TEST_F(BluezViewTest, WithoutBluezEverythingFailsAtOnceAndNoBluetoothKeyExists) {
    AddAdapter();
    AddPairedDevice("0A:1B:2C:3D:4E:5F", "Terminal");
    ASSERT_EQ(DeviceKeys().size(), 1u);
    std::string noBus = "unix:path=" + (root_ / "no-bus").string();
    const char* empty = getenv("TASTRA_EMPTY_BUS_ADDRESS");
    ASSERT_NE(empty, nullptr) << "run through tests/linux/with-bluez";
    for (const std::string& address : {std::string(empty), noBus}) {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        int descriptors = OpenDescriptors();
        auto start = std::chrono::steady_clock::now();
        DWORD mode = 99;
        EXPECT_NE(BthGetMode(&mode), 0) << address;
        EXPECT_NE(BthSetMode(BTH_CONNECTABLE), 0) << address;
        HKEY key = 12345;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &key), ERROR_FILE_NOT_FOUND) << address;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, 0, &key), ERROR_FILE_NOT_FOUND) << address;
        EXPECT_EQ(key, 12345);
        DWORD deviceAddress[2];
        EXPECT_EQ(FindDeviceChannel(u"Terminal", deviceAddress), 0);
        EXPECT_TRUE(BuildPortList(false).empty());
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        // Below one call's time-out: nothing waited for an answer that could not come.
        EXPECT_LT(ms.count(), 1000) << address;
        EXPECT_EQ(OpenDescriptors(), descriptors) << "every failed connection is closed";
    }
}

TEST_F(BluezViewTest, MoreDevicesAndServicesThanTheViewHoldsAreCutOff) {
    AddAdapter();
    std::vector<std::string> many;
    for (int i = 0; i < BLUEZ_MAX_UUIDS + 8; ++i) {
        char uuid[BLUEZ_UUID_CHARS];
        snprintf(uuid, sizeof uuid, "0000%04x-0000-1000-8000-00805f9b34fb", 0x2000 + i);
        many.push_back(uuid);
    }
    for (int i = 0; i < BLUEZ_MAX_DEVICES + 3; ++i) {
        char address[BLUEZ_ADDRESS_CHARS];
        snprintf(address, sizeof address, "0A:00:00:00:00:%02X", i);
        AddPairedDevice(address, "Device " + std::to_string(i), &many);
    }
    auto keys = DeviceKeys();
    ASSERT_EQ(keys.size(), static_cast<size_t>(BLUEZ_MAX_DEVICES));
    EXPECT_EQ(keys.back().first, "0A000000000F");
    for (const auto& key : keys)
        EXPECT_EQ(key.second.services, std::vector<std::string>(many.begin(), many.begin() + BLUEZ_MAX_UUIDS));
}

TEST_F(BluezViewTest, AnOpenKeySeesNoChangeUntilEveryKeyIsClosed) {
    AddAdapter();
    AddPairedDevice("0A:1B:2C:3D:4E:5F", "Terminal");
    HKEY root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &root), ERROR_SUCCESS);
    AddPairedDevice("0B:1B:2C:3D:4E:5F", "Second");
    HKEY again;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &again), ERROR_SUCCESS);
    WCHAR name[MAX_TEXT];
    DWORD chars = MAX_TEXT;
    EXPECT_EQ(RegEnumKeyExW(again, 1, name, &chars), ERROR_NO_MORE_ITEMS) << "the tree stood still while a key was open";
    RegCloseKey(again);
    RegCloseKey(root);
    EXPECT_EQ(DeviceKeys().size(), 2u);
}

}  // namespace
