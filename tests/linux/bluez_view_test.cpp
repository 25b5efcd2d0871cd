// The Linux registry, radio and Bluetooth links against a stand-in for BlueZ
// (python3-dbusmock's bluez5 template with the profile API, on a private bus
// started by tests/linux/with-bluez), driven through the platform calls and
// the core's own lookups, port list, connect and disconnect.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/shell.h"
#include "base/resource.h"
#include "keys/input_translation.h"
#include "link/bt_provisioning.h"
#include "link/serial_link.h"
#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/emulated/emu_window.h"
#include "platform/linux/bluez_client.h"
#include "platform/linux/bluez_profile.h"
#include "platform/linux/device_view.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/serial.h"
#include "platform/window.h"
#include "ports/port_list.h"
#include "ports/registry_lookup.h"
#include "tests/linux/bluez_mock.h"
#include "tests/linux/pty_pair.h"
#include "tests/linux/view_root.h"
#include "tests/linux/view_support.h"

namespace fs = std::filesystem;

namespace {

const char kProperties[] = "org.freedesktop.DBus.Properties";
const char kSerialPortUuid[] = "00001101-0000-1000-8000-00805f9b34fb";
const char kObexPushUuid[] = "00001105-0000-1000-8000-00805f9b34fb";
const char16_t kDeviceRoot[] = u"Software\\Microsoft\\Bluetooth\\Device";

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
        ASSERT_TRUE(OpenMockBus());
        root_ = MakeViewRoot();
        ASSERT_FALSE(root_.empty());
    }
    void TearDown() override {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", mockAddress_.c_str(), 1);
        CloseMockBus();
        RemoveViewRoot(root_);
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
    fs::path root_;
};

TEST_F(BluezViewTest, PairedDevicesBecomeKeysWithTheirNameAndServicesAndUnpairedOnesDoNot) {
    MockAddAdapter("tastra-test");
    std::vector<std::string> terminal = {kSerialPortUuid, kObexPushUuid};
    MockPairDevice("0A:1B:2C:3D:4E:5F", "Terminal", &terminal);
    MockPairDevice("11:22:33:44:55:66", "Phone");
    MockAddDevice("77:88:99:AA:BB:CC", "Stranger");

    auto phone = MockGet<std::vector<std::string>>(MockDevicePath("11:22:33:44:55:66"), "org.bluez.Device1", "UUIDs");
    std::vector<std::pair<std::string, DeviceKey>> expected = {
        {"0A1B2C3D4E5F", {u"Terminal", terminal, {{kSerialPortUuid, RFCOMM_CHANNEL_MULTIPLE}}}},
        {"112233445566", {u"Phone", phone, {}}},
    };
    ASSERT_FALSE(phone.empty());
    EXPECT_EQ(DeviceKeys(), expected) << "BlueZ finds the channel when it connects";
    EXPECT_EQ(BuildPortList(false), std::vector<std::string>{"COM0: BT-Terminal"})
        << "only a Serial Port device is listed";
}

TEST_F(BluezViewTest, ADeviceWhoseRfcommTtyIsBoundIsListedOnceAsThatTty) {
    MockAddAdapter("tastra-test");
    std::vector<std::string> serial = {kSerialPortUuid};
    MockPairDevice("0A:1B:2C:3D:4E:5F", "Terminal", &serial);
    MockPairDevice("11:22:33:44:55:66", "Other", &serial);
    // As `rfcomm bind` leaves it: the tty and its remote address in sysfs.
    fs::create_directories(root_ / "sys/class/tty/rfcomm0");
    std::ofstream(root_ / "sys/class/tty/rfcomm0/address") << "0a:1b:2c:3d:4e:5f\n";
    std::ofstream(root_ / "dev/rfcomm0") << "";
    EXPECT_EQ(BuildPortList(true), (std::vector<std::string>{"COM0: rfcomm0", "COM1: BT-Other"}));
}

TEST_F(BluezViewTest, OfTwoDevicesWithOneNameTheFirstWithTheSerialPortServiceIsFound) {
    MockAddAdapter("tastra-test");
    std::vector<std::string> push = {kObexPushUuid};
    std::vector<std::string> both = {kObexPushUuid, kSerialPortUuid};
    // Same name, earlier in key order, but no Serial Port service: passed over.
    MockPairDevice("01:02:03:04:05:06", "Terminal", &push);
    MockPairDevice("BE:1B:2C:3D:4E:5F", "Terminal", &both);

    auto keys = DeviceKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[0].second.channels.empty());
    EXPECT_EQ(keys[1].second.channels, (std::map<std::string, DWORD>{{kSerialPortUuid, RFCOMM_CHANNEL_MULTIPLE}}));

    DWORD address[2] = {0, 0};
    EXPECT_EQ(FindDeviceChannel(u"Terminal", address), RFCOMM_CHANNEL_MULTIPLE);
    EXPECT_EQ(address[0], 0x2C3D4E5Fu);
    EXPECT_EQ(address[1], 0xBE1Bu);
    EXPECT_EQ(FindDeviceChannel(u"terminal", address), 0) << "names compare exactly";
}

TEST_F(BluezViewTest, NamesComeFromNameElseAliasInFullUnicode) {
    MockAddAdapter("tastra-test");
    MockPairDevice("0A:00:00:00:00:01", "Zürich € 𝄞");
    // BlueZ leaves Name out for a device that never told it; Alias is then the address or a user's choice.
    std::map<std::string, sdbus::Variant> aliasOnly = {
        {"Address", sdbus::Variant(std::string("0A:00:00:00:00:02"))},
        {"Alias", sdbus::Variant(std::string("Alias only"))},
        {"Paired", sdbus::Variant(true)},
        {"Adapter", sdbus::Variant(sdbus::ObjectPath(MOCK_ADAPTER_PATH))},
        {"UUIDs", sdbus::Variant(std::vector<std::string>{kSerialPortUuid})},
    };
    MockAddDeviceObject(MockDevicePath("0A:00:00:00:00:02"), aliasOnly);
    aliasOnly["Address"] = sdbus::Variant(std::string("0A:00:00:00:00"));
    MockAddDeviceObject(std::string(MOCK_ADAPTER_PATH) + "/dev_bad", aliasOnly);

    auto keys = DeviceKeys();
    ASSERT_EQ(keys.size(), 2u) << "a device without a 48-bit address gets no key";
    EXPECT_EQ(keys[0].first, "0A0000000001");
    EXPECT_EQ(keys[0].second.name, u"Zürich € 𝄞");
    EXPECT_EQ(keys[1].first, "0A0000000002");
    EXPECT_EQ(keys[1].second.name, u"Alias only");
}

// The rest of the radio runs in tests/contract.
TEST_F(BluezViewTest, AnAdapterNotPoweredIsOffWhateverDiscoverableSays) {
    MockAddAdapter("tastra-test");
    MockSetAdapter("Discoverable", true);
    MockSetAdapter("Powered", false);
    DWORD mode = 99;
    ASSERT_EQ(BthGetMode(&mode), 0);
    EXPECT_EQ(mode, BTH_POWER_OFF);
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
    MockAddAdapter("tastra-test");
    MockPairDevice("0A:1B:2C:3D:4E:5F", "Terminal");
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
    MockAddAdapter("tastra-test");
    std::vector<std::string> many;
    for (int i = 0; i < BLUEZ_MAX_UUIDS + 8; ++i) {
        char uuid[BLUEZ_UUID_CHARS];
        snprintf(uuid, sizeof uuid, "0000%04x-0000-1000-8000-00805f9b34fb", 0x2000 + i);
        many.push_back(uuid);
    }
    for (int i = 0; i < BLUEZ_MAX_DEVICES + 3; ++i) {
        char address[BLUEZ_ADDRESS_CHARS];
        snprintf(address, sizeof address, "0A:00:00:00:00:%02X", i);
        MockPairDevice(address, "Device " + std::to_string(i), &many);
    }
    auto keys = DeviceKeys();
    ASSERT_EQ(keys.size(), static_cast<size_t>(BLUEZ_MAX_DEVICES));
    EXPECT_EQ(keys.back().first, "0A000000000F");
    for (const auto& key : keys)
        EXPECT_EQ(key.second.services, std::vector<std::string>(many.begin(), many.begin() + BLUEZ_MAX_UUIDS));
}

TEST_F(BluezViewTest, AnOpenKeySeesNoChangeUntilEveryKeyIsClosed) {
    MockAddAdapter("tastra-test");
    MockPairDevice("0A:1B:2C:3D:4E:5F", "Terminal");
    HKEY root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &root), ERROR_SUCCESS);
    MockPairDevice("0B:1B:2C:3D:4E:5F", "Second");
    HKEY again;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeviceRoot, 0, 0, &again), ERROR_SUCCESS);
    WCHAR name[MAX_TEXT];
    DWORD chars = MAX_TEXT;
    EXPECT_EQ(RegEnumKeyExW(again, 1, name, &chars), ERROR_NO_MORE_ITEMS)
        << "the tree stood still while a key was open";
    RegCloseKey(again);
    RegCloseKey(root);
    EXPECT_EQ(DeviceKeys().size(), 2u);
}

// Connecting through the core, with the stand-in handing over one end of a
// socket pair as bluetoothd hands over the RFCOMM socket; the test holds the
// other end as the terminal.
constexpr int kGenerousMs = 5000;
const char kTerminal[] = "0A:1B:2C:3D:4E:5F";

INT_PTR QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class BluezLinkTest : public BluezViewTest {
  protected:
    void SetUp() override {
        BluezViewTest::SetUp();
        g_hInstance = &g_moduleResources;
        g_langOffset = 0;
        MockAddAdapter("tastra-test");
        std::vector<std::string> uuids = {kSerialPortUuid};
        MockPairDevice(kTerminal, "Terminal", &uuids);
        descriptors_ = OpenDescriptors();
    }
    void TearDown() override {
        if (far_ >= 0) close(far_);
        if (!vanished_.empty())
            sdbus::createProxy(MockBus(), vanished_, "/")->callMethod("Return").onInterface(MOCK_INTERFACE);
        UseBluezConnectWait(0);
        g_startOptions = StartOptions{};
        BluezViewTest::TearDown();
    }

    // Lists the Bluetooth entries, selects the first, runs `meanwhile`, connects.
    HANDLE Connect(const std::function<void()>& meanwhile = [] {}) {
        EmuResetWindows();
        dialog_ = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, QuietDialogProc, 0);
        ListBluetoothPorts(GetDlgItem(dialog_, IDC_PORT));
        SendDlgItemMessageW(dialog_, IDC_PORT, CB_SETCURSEL, 0, 0);
        meanwhile();
        return ConnectTerminal(dialog_);
    }
    void TakeFarEnd() {
        sdbus::UnixFd fd;
        sdbus::createProxy(MockBus(), "org.bluez", "/")
            ->callMethod("TakeFarEnd")
            .onInterface(MOCK_INTERFACE)
            .withArguments(sdbus::ObjectPath(MockDevicePath(kTerminal)))
            .storeResultsTo(fd);
        far_ = fd.release();
    }
    // What arrives at the terminal until `n` bytes or the far end closes.
    std::string ReadFar(size_t n) { return ReadFromMaster(far_, n, kGenerousMs); }
    bool FarEndClosed() {
        pollfd p = {far_, POLLIN, 0};
        char byte;
        return poll(&p, 1, kGenerousMs) == 1 && read(far_, &byte, 1) == 0;
    }
    std::vector<std::string> Profiles() {
        std::vector<std::string> profiles;
        sdbus::createProxy(MockBus(), "org.bluez", "/")
            ->callMethod("RegisteredProfiles")
            .onInterface(MOCK_INTERFACE)
            .storeResultsTo(profiles);
        return profiles;
    }
    void SetPaired(bool paired) {
        MockCall(MockDevicePath(kTerminal), kProperties, "Set", "org.bluez.Device1", "Paired", sdbus::Variant(paired));
    }
    void RefuseConnect(const std::string& refusal) {
        MockCall("/", MOCK_INTERFACE, "RefuseConnect", sdbus::ObjectPath(MockDevicePath(kTerminal)), refusal);
    }
    // After a link: nothing registered with BlueZ, no COM name, no descriptor left open.
    void ExpectEverythingReleased(const std::string& why) {
        EXPECT_TRUE(Profiles().empty()) << why;
        EXPECT_EQ(DeviceExists(u"COM0:"), 0) << why;
        EXPECT_EQ(OpenDescriptors(), descriptors_) << why;
    }

    HWND dialog_ = 0;
    int far_ = -1;
    std::string vanished_;  // the stand-in's unique name while it has given up org.bluez
    int descriptors_ = 0;
};

TEST_F(BluezLinkTest, TheTerminalIsGreetedOverTheSocketTypesKeysAndIsSentTheFarewell) {
    HANDLE port = Connect();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Terminal is connected!");
    std::vector<std::string> profiles = Profiles();
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_NE(profiles[0].find(" /org/tastra/serial_port 00001101-0000-1000-8000-00805f9b34fb client"),
              std::string::npos)
        << profiles[0];
    TakeFarEnd();
    std::string greeting("\x1b[c\0Tastra v1.00 is connected!\r\n", 32);
    EXPECT_EQ(ReadFar(greeting.size()), greeting);

    EXPECT_EQ(CreateFileW(u"COM0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE)
        << "the port is open already";
    HWND editor = EmuAddWindow(u"Notes", u"Edit");
    EmuSetKeyboardTarget(editor);
    ASSERT_EQ(write(far_, "ok\r", 3), 3);
    std::u16string typed;
    for (long long deadline = NowMs() + kGenerousMs; typed.size() < 3 && NowMs() < deadline;) {
        PollTerminalInput(dialog_, port);
        typed.clear();
        for (const EmuMessage& m : EmuKeyMessagesTo(editor))
            if (m.message == WM_CHAR) typed.push_back(static_cast<char16_t>(m.wParam));
    }
    EXPECT_EQ(typed, u"ok\r");

    DisconnectTerminal(dialog_, port);
    EXPECT_EQ(ReadFar(64), "Connection is closed!\r\n\n");
    EXPECT_TRUE(FarEndClosed()) << "the link is dropped";
    close(far_);
    far_ = -1;
    ExpectEverythingReleased("after Disconnect");
}

TEST_F(BluezLinkTest, ADeviceThatGoesAwayWhileConnectedIsAVanishedLine) {
    HANDLE port = Connect();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    TakeFarEnd();
    close(far_);
    far_ = -1;
    // The stand-in may hold its copy of the far end a moment longer.
    BYTE buffer[16];
    DWORD got = 99;
    bool gone = false;
    for (long long deadline = NowMs() + kGenerousMs; !gone && NowMs() < deadline;) {
        gone = !ReadFile(port, buffer, sizeof buffer, &got, nullptr);
        ASSERT_EQ(got, 0u);
    }
    EXPECT_TRUE(gone) << "a read tells that the line is gone";
    EXPECT_FALSE(WriteFile(port, "x", 1, &got, nullptr)) << "and no SIGPIPE ends the program";
    g_hPort = port;
    MainDialogProc(dialog_, WM_TIMER, POLL_TIMER_ID, 0);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE) << "the next tick closes the link";
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
    ExpectEverythingReleased("after the link dropped");
}

// With --reconnect on a powered adapter: the terminal goes out of range,
// the link drops; while it stays away the retries fail quietly; once it
// answers again it is connected and greeted. Ticks come by hand; their
// pace is a rule of the core, tested on the emulated clock.
TEST_F(BluezLinkTest, ALinkThatDroppedIsConnectedAgainWhenTheDeviceAnswers) {
    MockSetAdapter("Powered", true);
    g_startOptions.reconnect = true;
    g_hPort = Connect();
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    TakeFarEnd();
    std::string greeting("\x1b[c\0Tastra v1.00 is connected!\r\n", 32);
    ASSERT_EQ(ReadFar(greeting.size()), greeting);
    close(far_);
    far_ = -1;
    for (long long deadline = NowMs() + kGenerousMs; g_hPort != INVALID_HANDLE_VALUE && NowMs() < deadline;)
        MainDialogProc(dialog_, WM_TIMER, POLL_TIMER_ID, 0);
    ASSERT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: No connection!");
    EXPECT_TRUE(EmuTimerRunning(dialog_, RETRY_TIMER_ID));

    RefuseConnect("org.bluez.Error.Failed");
    MainDialogProc(dialog_, WM_TIMER, RETRY_TIMER_ID, 0);
    EXPECT_EQ(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(EmuTimerRunning(dialog_, RETRY_TIMER_ID)) << "still waiting";
    ExpectEverythingReleased("after a retry that found no device");

    RefuseConnect("");
    for (int tick = 0; tick < 5 && g_hPort == INVALID_HANDLE_VALUE; ++tick)
        MainDialogProc(dialog_, WM_TIMER, RETRY_TIMER_ID, 0);
    ASSERT_NE(g_hPort, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(EmuTimerRunning(dialog_, RETRY_TIMER_ID));
    EXPECT_EQ(EmuControlText(IDC_STATUS), u"Terminal is connected!");
    TakeFarEnd();
    EXPECT_EQ(ReadFar(greeting.size()), greeting);
    DWORD mode = BTH_POWER_OFF;
    EXPECT_TRUE(BthGetMode(&mode) == 0 && mode != BTH_POWER_OFF) << "the user's adapter stays on";

    DisconnectTerminal(dialog_, g_hPort);
    g_hPort = INVALID_HANDLE_VALUE;
    EXPECT_EQ(ReadFar(64), "Connection is closed!\r\n\n");
    close(far_);
    far_ = -1;
    ExpectEverythingReleased("after Disconnect");
}

TEST_F(BluezLinkTest, DisconnectAfterBluezEndedStillDropsTheLink) {
    HANDLE port = Connect();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    TakeFarEnd();
    ASSERT_EQ(ReadFar(32).size(), 32u);
    sdbus::createProxy(MockBus(), "org.freedesktop.DBus", "/org/freedesktop/DBus")
        ->callMethod("GetNameOwner")
        .onInterface("org.freedesktop.DBus")
        .withArguments(std::string("org.bluez"))
        .storeResultsTo(vanished_);
    MockCall("/", MOCK_INTERFACE, "Vanish");

    DisconnectTerminal(dialog_, port);
    EXPECT_EQ(ReadFar(64), "Connection is closed!\r\n\n");
    EXPECT_TRUE(FarEndClosed());
    close(far_);
    far_ = -1;
    EXPECT_EQ(DeviceExists(u"COM0:"), 0);
    EXPECT_EQ(OpenDescriptors(), descriptors_) << "the bus connection is closed all the same";
}

TEST_F(BluezLinkTest, RefusalsGiveTheNormalErrorAndLeaveNothingBehind) {
    const char* empty = getenv("TASTRA_EMPTY_BUS_ADDRESS");
    ASSERT_NE(empty, nullptr) << "run through tests/linux/with-bluez";
    constexpr int kShortWaitMs = 300;
    struct Case {
        const char* what;
        std::function<void()> meanwhile;
    } cases[] = {
        {"connect refused", [&] { RefuseConnect("org.bluez.Error.Failed"); }},
        {"no answer within the wait", [&] { RefuseConnect("silent"); }},
        {"device no longer paired", [&] { SetPaired(false); }},
        {"BlueZ gone", [&] { setenv("DBUS_SYSTEM_BUS_ADDRESS", empty, 1); }},
        {"device removed between listing and connecting",  // last: nothing to put back
         [&] {
             MockCall(MOCK_ADAPTER_PATH, "org.bluez.Adapter1", "RemoveDevice",
                      sdbus::ObjectPath(MockDevicePath(kTerminal)));
         }},
    };
    UseBluezConnectWait(kShortWaitMs);
    for (const Case& c : cases) {
        if (&c != cases) {
            RefuseConnect("");
            SetPaired(true);
        }
        long long start = NowMs();
        EXPECT_EQ(Connect(c.meanwhile), INVALID_HANDLE_VALUE) << c.what;
        EXPECT_LT(NowMs() - start, 3 * kShortWaitMs + kGenerousMs) << c.what << ": every wait is bounded";
        EXPECT_EQ(EmuControlText(IDC_STATUS), u"ERROR: COM port does not work!") << c.what;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", mockAddress_.c_str(), 1);
        ExpectEverythingReleased(c.what);
    }
}

// What other programs and devices leave in BlueZ. The Bluetooth part of the
// port list is built in about a second at most (one call's time-out), names
// are cut to whole characters, and nothing is left open.
TEST_F(BluezViewTest, AThousandPairedDevicesWithHostileNamesListQuicklyAndCutOff) {
    MockAddAdapter("tastra-test");
    const std::vector<std::string> names = {
        std::string(5000, 'N'),                      // far longer than any field
        "\x01\x7f\x1b[2J" + std::string(2000, 'c'),  // control characters
        [] {
            std::string s;
            for (int i = 0; i < 600; ++i)
                s += "\xF0\x9D\x84\x9E";
            return s;
        }(),  // pairs across the cut
        "",
        "Terminal \xC3\xBC",
    };
    for (int i = 0; i < 1000; ++i) {
        char address[BLUEZ_ADDRESS_CHARS];
        snprintf(address, sizeof address, "0A:00:00:00:%02X:%02X", i / 256, i % 256);
        std::map<std::string, sdbus::Variant> properties = {
            {"Address", sdbus::Variant(std::string(address))},
            {"Name", sdbus::Variant(names[static_cast<size_t>(i) % names.size()])},
            {"Paired", sdbus::Variant(true)},
            {"Adapter", sdbus::Variant(sdbus::ObjectPath(MOCK_ADAPTER_PATH))},
            {"UUIDs", sdbus::Variant(std::vector<std::string>{kSerialPortUuid})},
        };
        MockAddDeviceObject(MockDevicePath(address), properties);
    }
    int descriptors = OpenDescriptors();
    auto start = std::chrono::steady_clock::now();
    std::vector<std::string> entries = BuildPortList(false);
    auto took = std::chrono::steady_clock::now() - start;
    auto keys = DeviceKeys();
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_EQ(OpenDescriptors(), descriptors);
    ASSERT_EQ(keys.size(), static_cast<size_t>(BLUEZ_MAX_DEVICES)) << "the first ones the view holds";
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::u16string& name = keys[i].second.name;
        SCOPED_TRACE(i);
        EXPECT_LT(name.size(), static_cast<size_t>(MAX_TEXT));
        EXPECT_FALSE(!name.empty() && name.back() >= 0xD800 && name.back() < 0xDC00) << "a pair cut in half";
    }
    EXPECT_EQ(keys[2].second.name.size(), static_cast<size_t>(MAX_TEXT - 2)) << "whole pairs only";
    EXPECT_EQ(keys[4].second.name, u"Terminal \u00fc");
    // An entry that would not fit the list is left out, as the core does with any long name.
    std::vector<std::string> fitting = {"COM0: BT-",
                                        "COM0: BT-",
                                        "COM0: BT-",
                                        "COM0: BT-Terminal \xFC",
                                        "COM0: BT-Terminal \xFC",
                                        "COM0: BT-Terminal \xFC"};  // in list order
    EXPECT_EQ(entries, fitting);
}

}  // namespace
