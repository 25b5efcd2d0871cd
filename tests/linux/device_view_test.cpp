// The x11 registry, device and serial services over a made-up machine: a
// sysfs tree and /dev in a temporary folder, and a devices folder with com
// links, some of them to pseudo-terminals.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/registry.h"
#include "platform/serial.h"
#include "platform/text.h"
#include "platform/linux/device_view.h"
#include "ports/registry_lookup.h"
#include "tests/linux/pty_pair.h"
#include "tests/linux/view_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kGenerousMs = 5000;

class DeviceViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tastra-view-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directories(root_ / "dev");
        fs::create_directories(Folder());
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        // No system bus, so no BlueZ, whatever runs on this machine.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (root_ / "no-bus").string()).c_str(), 1);
        UseDeviceViewRoots((root_ / "sys").c_str(), (root_ / "dev").c_str());
    }
    void TearDown() override {
        for (int index = 0; index < VIEW_MAX_PORTS; ++index) ReleaseViewIndex(index);
        UseDeviceViewRoots(nullptr, nullptr);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        for (PtyPair& p : ptys_) ClosePtyMaster(p);
        fs::remove_all(root_);
    }
    fs::path Folder() const { return root_ / "config/tastra/devices"; }

    // A tty in sysfs with a node in /dev; `uartType` < 0 leaves out the type file.
    void AddTty(const std::string& name, bool hasDevice = true, int uartType = -1) {
        fs::path dir = root_ / "sys/class/tty" / name;
        fs::create_directories(dir);
        if (hasDevice) fs::create_directory_symlink(root_, dir / "device");
        if (uartType >= 0) std::ofstream(dir / "type") << uartType << "\n";
        std::ofstream(root_ / "dev" / name) << "";
    }
    void Attach(int index, const std::string& target) {
        fs::create_symlink(target, Folder() / ("com" + std::to_string(index)));
    }
    // A com link to a fresh pseudo-terminal; returns its index in ptys_.
    PtyPair& AttachPty(int index) {
        ptys_.emplace_back();
        EXPECT_TRUE(OpenPtyPair(ptys_.back()));
        Attach(index, ptys_.back().slavePath);
        return ptys_.back();
    }

    // Name -> Key of every subkey of Drivers\Active.
    std::vector<std::pair<std::string, std::string>> ActiveDrivers() {
        std::vector<std::pair<std::string, std::string>> out;
        HKEY active;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active", 0, 0, &active) != ERROR_SUCCESS) return out;
        WCHAR name[MAX_TEXT];
        HKEY sub;
        for (BYTE i = 0; RegOpenSubkeyByIndex(active, i, name, &sub); ++i) {
            WCHAR devName[6], key[MAX_TEXT];
            EXPECT_EQ(RegReadString(sub, u"Name", devName, sizeof devName), 1);
            EXPECT_EQ(RegReadString(sub, u"Key", key, sizeof key), 1);
            out.emplace_back(Narrow(devName), Narrow(key));
            RegCloseKey(sub);
        }
        RegCloseKey(active);
        return out;
    }

    std::vector<std::string> PortListEntries() {
        std::vector<std::string> out = BuildPortList(true);
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path root_;
    std::vector<PtyPair> ptys_;
};

TEST_F(DeviceViewTest, AttachedLinksKeepTheirIndexAndRealLinesTakeTheRestInNameOrder) {
    AddTty("ttyUSB10");
    AddTty("ttyUSB2");
    AddTty("ttyS0", true, 0);  // a UART slot with no hardware
    AddTty("ttyS1", true, 4);
    AddTty("ttyACM0");
    AddTty("rfcomm0", false);
    AddTty("tty5", false);  // a virtual console
    PtyPair& pty = AttachPty(1);
    Attach(3, (root_ / "dev/gone").string());

    std::vector<std::pair<std::string, std::string>> expected = {
        {"COM0:", "Drivers\\Linux\\rfcomm0"},
        {"COM1:", "Drivers\\Attached\\" + pty.slavePath},
        {"COM2:", "Drivers\\Linux\\ttyACM0"},
        {"COM4:", "Drivers\\Linux\\ttyS1"},
        {"COM5:", "Drivers\\Linux\\ttyUSB2"},
        {"COM6:", "Drivers\\Linux\\ttyUSB10"},
    };
    EXPECT_EQ(ActiveDrivers(), expected);

    std::vector<std::string> entries = {"COM0: rfcomm0", "COM1: " + pty.slavePath, "COM2: ttyACM0",
                                        "COM4: ttyS1",   "COM5: ttyUSB2",           "COM6: ttyUSB10"};
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(PortListEntries(), entries);

    EXPECT_EQ(DeviceExists(u"COM1:"), 1);
    EXPECT_EQ(DeviceExists(u"COM3:"), 0) << "a dangling link holds its index but is no device";
    EXPECT_EQ(FindFreeComIndex(u"COM"), 3);
}

TEST_F(DeviceViewTest, ALineThatIsAttachedIsNotListedAgainUnderItsOwnName) {
    AddTty("ttyUSB0");
    AddTty("ttyUSB1");
    Attach(7, (root_ / "dev/ttyUSB0").string());
    std::vector<std::pair<std::string, std::string>> expected = {
        {"COM0:", "Drivers\\Linux\\ttyUSB1"},
        {"COM7:", "Drivers\\Attached\\" + (root_ / "dev/ttyUSB0").string()},
    };
    EXPECT_EQ(ActiveDrivers(), expected);
}

TEST_F(DeviceViewTest, OnlyTenLinesAreNamedAndOtherFolderEntriesAreIgnored) {
    for (int i = 0; i < 12; ++i) AddTty("ttyUSB" + std::to_string(i));
    std::ofstream(Folder() / "COM5") << "";  // not the documented lower-case name
    fs::create_symlink("/dev/null", Folder() / "com12");
    fs::create_symlink("/dev/null", Folder() / "notes");
    auto drivers = ActiveDrivers();
    ASSERT_EQ(drivers.size(), 10u);
    EXPECT_EQ(drivers.front(), std::make_pair(std::string("COM0:"), std::string("Drivers\\Linux\\ttyUSB0")));
    EXPECT_EQ(drivers.back(), std::make_pair(std::string("COM9:"), std::string("Drivers\\Linux\\ttyUSB9")));
    EXPECT_EQ(FindFreeComIndex(u"COM"), 10);
}

TEST_F(DeviceViewTest, DeviceSearchAnswersOnlyWellFormedNamesOfTheView) {
    AttachPty(4);
    EXPECT_EQ(DeviceExists(u"COM4:"), 1);
    EXPECT_EQ(DeviceExists(u"com4:"), 1);
    EXPECT_EQ(DeviceExists(u"COM4"), 0);
    EXPECT_EQ(DeviceExists(u"COM4:x"), 0);
    EXPECT_EQ(DeviceExists(u"COM40:"), 0);
    EXPECT_EQ(DeviceExists(u""), 0);
    EXPECT_EQ(DeviceExists(u"COM5:"), 0);
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileExW(u"COM4:", FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0),
              INVALID_HANDLE_VALUE) << "only device searches";
    // Searches are released: many more than the handle table holds.
    for (int i = 0; i < 100; ++i) {
        HANDLE h = FindFirstFileExW(u"COM4:", FindExInfoStandard, &data, FindExSearchLimitToDevices, nullptr, 0);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Narrow(data.cFileName), "COM4:");
        ASSERT_TRUE(FindClose(h));
        EXPECT_FALSE(FindClose(h));
    }
}

TEST_F(DeviceViewTest, TheViewFollowsTheMachineBetweenBuildsOfTheList) {
    AttachPty(2);
    ASSERT_EQ(PortListEntries().size(), 1u);
    AttachPty(5);
    EXPECT_EQ(PortListEntries().size(), 2u) << "keys were all closed, so the next open rebuilt the view";
    fs::remove(Folder() / "com2");
    EXPECT_EQ(PortListEntries().size(), 1u);
}

TEST_F(DeviceViewTest, RegistryReadsFollowTheRulesOfTheRealOne) {
    AttachPty(1);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"drivers\\ACTIVE\\01", 0, 0, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Name", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 12u);
    BYTE small[10];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(key, u"Name", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(RegQueryValueExW(key, u"Missing", &type, small, &size), ERROR_FILE_NOT_FOUND);
    WCHAR name[MAX_TEXT];
    DWORD chars = MAX_TEXT;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &chars), ERROR_NO_MORE_ITEMS);
    HKEY again;
    EXPECT_EQ(RegOpenKeyExW(key, u"", 0, 0, &again), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(RegCloseKey(key), ERROR_SUCCESS) << "a closed key is gone";
    EXPECT_NE(RegQueryValueExW(key, u"Name", &type, nullptr, &size), ERROR_SUCCESS);

    HKEY none = 12345;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Bluetooth\\Device", 0, 0, &none),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(none, 12345) << "a failed open leaves the result alone";
    EXPECT_EQ(FindBluetoothSerialPort(u"Incoming"), 10);
}

TEST_F(DeviceViewTest, TheDevicesFolderComesFromXdgConfigHomeOrHome) {
    char path[VIEW_PATH_CHARS];
    ASSERT_TRUE(GetDevicesFolder(path, sizeof path));
    EXPECT_EQ(std::string(path), Folder().string());
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    std::string home = getenv("HOME") != nullptr ? getenv("HOME") : "";
    setenv("HOME", "/home/someone", 1);
    ASSERT_TRUE(GetDevicesFolder(path, sizeof path));
    EXPECT_EQ(std::string(path), "/home/someone/.config/tastra/devices");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_FALSE(GetDevicesFolder(path, sizeof path));
    EXPECT_TRUE(ActiveDrivers().empty());
    setenv("HOME", home.c_str(), 1);
}

TEST_F(DeviceViewTest, AnAttachedPseudoTerminalOpensReadsAndWritesThroughItsComName) {
    PtyPair& pty = AttachPty(3);
    HANDLE port = CreateFileW(u"COM3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"COM3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE) << "exclusive";

    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 56700;
    dcb.fBinary = 1;
    dcb.ByteSize = 8;
    EXPECT_TRUE(SetCommState(port, &dcb));
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    EXPECT_TRUE(SetCommTimeouts(port, &timeouts));
    LineSettings s;
    ASSERT_TRUE(ReadLineSettings(static_cast<int>(port), s));
    EXPECT_EQ(s.ospeed, 56700u);

    const BYTE handshake[4] = {0x1B, '[', 'c', 0};
    DWORD done = 99;
    EXPECT_TRUE(WriteFile(port, handshake, 4, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(ReadFromMaster(pty.master, 4, kGenerousMs), std::string("\x1B[c\0", 4));

    BYTE buf[260];
    EXPECT_TRUE(ReadFile(port, buf, sizeof buf, &done, nullptr));
    EXPECT_EQ(done, 0u) << "nothing pending, no wait";
    ASSERT_TRUE(WriteToMaster(pty.master, "\x1b[A", kGenerousMs));
    std::string got;
    for (long deadline = NowMs() + kGenerousMs; got.size() < 3 && NowMs() < deadline;) {
        ASSERT_TRUE(ReadFile(port, buf, sizeof buf, &done, nullptr));
        got.append(reinterpret_cast<char*>(buf), done);
    }
    EXPECT_EQ(got, "\x1b[A");

    ClosePtyMaster(pty);
    EXPECT_FALSE(ReadFile(port, buf, sizeof buf, &done, nullptr)) << "the line is gone";
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(port, handshake, 4, &done, nullptr));
    EXPECT_TRUE(CloseHandle(port));
    EXPECT_FALSE(CloseHandle(port));
    EXPECT_FALSE(ReadFile(port, buf, sizeof buf, &done, nullptr)) << "a closed handle reads nothing";
}

TEST_F(DeviceViewTest, NamesWithoutALineDoNotOpen) {
    Attach(2, (root_ / "dev/gone").string());
    std::ofstream(root_ / "plain") << "x";
    Attach(6, (root_ / "plain").string());
    for (const char16_t* name : {u"COM2:", u"COM6:", u"COM9:", u"LPT1:", u"COM6"})
        EXPECT_EQ(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
                  INVALID_HANDLE_VALUE) << Narrow(name);
    EXPECT_FALSE(CloseHandle(0)) << "stdin is not a port of this layer";
}

TEST_F(DeviceViewTest, APortEmulationRegistrationThatCannotBeMadeLeavesNothingBehind) {
    int before = OpenDescriptors();
    PORTEMUPortParams incoming = {};
    incoming.channel = RFCOMM_CHANNEL_MULTIPLE;
    incoming.flocal = 1;
    EXPECT_EQ(RegisterDevice(u"COM", 4, u"btd.dll", &incoming, sizeof incoming), INVALID_HANDLE_VALUE)
        << "no server port is offered";
    PORTEMUPortParams outgoing = {};
    outgoing.channel = 3;
    outgoing.device = 0x0A1B2C3D4E5Full;
    EXPECT_EQ(RegisterDevice(u"COM", 4, u"other.dll", &outgoing, sizeof outgoing), INVALID_HANDLE_VALUE);
    EXPECT_EQ(RegisterDevice(u"COM", 4, u"btd.dll", &outgoing, sizeof outgoing - 1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(RegisterDevice(u"COM", 10, u"btd.dll", &outgoing, sizeof outgoing), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeregisterDevice(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(DeregisterDevice(0x5200));

    EXPECT_EQ(RegisterDevice(u"COM", 4, u"btd.dll", &outgoing, sizeof outgoing), INVALID_HANDLE_VALUE)
        << "no BlueZ to connect through";
    EXPECT_EQ(OpenDescriptors(), before) << "the bus connection is not leaked";
    EXPECT_EQ(DeviceExists(u"COM4:"), 0);
    EXPECT_EQ(FindFreeComIndex(u"COM"), 0) << "a failed registration holds no index";
}

TEST_F(DeviceViewTest, AClaimedSocketHoldsItsIndexAheadOfAnAttachedLinkAndOpensAsTheLine) {
    AddTty("rfcomm0", false);
    PtyPair& pty = AttachPty(2);
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    ASSERT_TRUE(ClaimViewSocket(2, pair[0], "RFCOMM 0A:1B:2C:3D:4E:5F"));
    EXPECT_FALSE(ClaimViewSocket(2, pair[0], "again")) << "one claim per index";
    EXPECT_FALSE(ClaimViewSocket(10, pair[0], "out of range"));
    std::vector<std::pair<std::string, std::string>> claimed = {
        {"COM0:", "Drivers\\Linux\\rfcomm0"}, {"COM2:", "Drivers\\Linux\\RFCOMM 0A:1B:2C:3D:4E:5F"}};
    EXPECT_EQ(ActiveDrivers(), claimed);

    HANDLE port = CreateFileW(u"COM2:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"COM2:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE) << "exclusive, as a tty is";
    DCB odd = {};
    odd.BaudRate = 1234567;
    odd.Parity = 4;
    odd.fOutxCtsFlow = 1;
    EXPECT_TRUE(SetCommState(port, &odd)) << "a socket has no line settings to refuse";
    COMMTIMEOUTS waiting = {0, 0, 500, 0, 0};
    EXPECT_FALSE(SetCommTimeouts(port, &waiting)) << "reads never wait";
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(port, "hi", 2, &done, nullptr));
    char got[4] = {};
    EXPECT_EQ(read(pair[1], got, sizeof got), 2);
    EXPECT_STREQ(got, "hi");
    EXPECT_TRUE(CloseHandle(port));
    EXPECT_EQ(send(pair[1], "x", 1, MSG_DONTWAIT), 1) << "closing the handle leaves the link to its registration";

    ReleaseViewIndex(2);
    std::vector<std::pair<std::string, std::string>> released = {
        {"COM0:", "Drivers\\Linux\\rfcomm0"},
        {"COM2:", "Drivers\\Attached\\" + pty.slavePath},
    };
    EXPECT_EQ(ActiveDrivers(), released);
    close(pair[0]);
    close(pair[1]);
}

}  // namespace
