// How the Linux registry, device and serial views name and open the lines of
// a made-up machine: a sysfs tree and /dev in a temporary folder, and a
// devices folder with com links. What every backend does alike runs in
// tests/contract.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/linux/device_view.h"
#include "platform/registry.h"
#include "platform/serial.h"
#include "platform/text.h"
#include "ports/registry_lookup.h"
#include "tests/linux/pty_pair.h"
#include "tests/linux/view_root.h"
#include "tests/linux/view_support.h"

namespace fs = std::filesystem;

namespace {

class DeviceViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = MakeViewRoot();
        ASSERT_FALSE(root_.empty());
        // No system bus, so no BlueZ, whatever runs on this machine.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (root_ / "no-bus").string()).c_str(), 1);
    }
    void TearDown() override {
        for (int index = 0; index < VIEW_MAX_PORTS; ++index)
            ReleaseViewIndex(index);
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        for (PtyPair& p : ptys_)
            ClosePtyMaster(p);
        RemoveViewRoot(root_);
    }
    fs::path Folder() const { return DevicesFolder(root_); }

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
        {"COM0:", "Drivers\\Linux\\rfcomm0"}, {"COM1:", "Drivers\\Attached\\" + pty.slavePath},
        {"COM2:", "Drivers\\Linux\\ttyACM0"}, {"COM4:", "Drivers\\Linux\\ttyS1"},
        {"COM5:", "Drivers\\Linux\\ttyUSB2"}, {"COM6:", "Drivers\\Linux\\ttyUSB10"},
    };
    EXPECT_EQ(ActiveDrivers(), expected);

    std::vector<std::string> entries = {"COM0: rfcomm0", "COM1: " + pty.slavePath, "COM2: ttyACM0",
                                        "COM4: ttyS1",   "COM5: ttyUSB2",          "COM6: ttyUSB10"};
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(PortListEntries(), entries);

    EXPECT_EQ(DeviceExists(u"COM1:"), 1);
    EXPECT_EQ(DeviceExists(u"COM3:"), 0) << "a dangling link holds its index but is no device";
    EXPECT_EQ(FindFreeComIndex(u"COM"), 3);
    EXPECT_EQ(FindBluetoothSerialPort(u"Incoming"), 10) << "without BlueZ no line is a Bluetooth one";
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
    for (int i = 0; i < 12; ++i)
        AddTty("ttyUSB" + std::to_string(i));
    std::ofstream(Folder() / "COM5") << "";  // not the documented lower-case name
    fs::create_symlink("/dev/null", Folder() / "com12");
    fs::create_symlink("/dev/null", Folder() / "notes");
    auto drivers = ActiveDrivers();
    ASSERT_EQ(drivers.size(), 10u);
    EXPECT_EQ(drivers.front(), std::make_pair(std::string("COM0:"), std::string("Drivers\\Linux\\ttyUSB0")));
    EXPECT_EQ(drivers.back(), std::make_pair(std::string("COM9:"), std::string("Drivers\\Linux\\ttyUSB9")));
    EXPECT_EQ(FindFreeComIndex(u"COM"), 10);
}

TEST_F(DeviceViewTest, TheViewFollowsTheMachineBetweenBuildsOfTheList) {
    AttachPty(2);
    ASSERT_EQ(PortListEntries().size(), 1u);
    AttachPty(5);
    EXPECT_EQ(PortListEntries().size(), 2u) << "keys were all closed, so the next open rebuilt the view";
    fs::remove(Folder() / "com2");
    EXPECT_EQ(PortListEntries().size(), 1u);
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

TEST_F(DeviceViewTest, NamesWithoutALineDoNotOpen) {
    Attach(2, (root_ / "dev/gone").string());
    std::ofstream(root_ / "plain") << "x";
    Attach(6, (root_ / "plain").string());
    for (const char16_t* name : {u"COM2:", u"COM6:", u"COM9:", u"LPT1:", u"COM6"})
        EXPECT_EQ(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
                  INVALID_HANDLE_VALUE)
            << Narrow(name);
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
    std::vector<std::pair<std::string, std::string>> claimed = {{"COM0:", "Drivers\\Linux\\rfcomm0"},
                                                                {"COM2:", "Drivers\\Linux\\RFCOMM 0A:1B:2C:3D:4E:5F"}};
    EXPECT_EQ(ActiveDrivers(), claimed);

    HANDLE port = CreateFileW(u"COM2:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"COM2:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE)
        << "exclusive, as a tty is";
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

// What users and other programs leave in the devices folder. Whatever is there,
// building the list takes well under a second, an entry that is no line is not
// listed or fails to open (the dialog then shows its usual error), and nothing
// is left open.
TEST_F(DeviceViewTest, AHostileDevicesFolderNeitherHangsNorLeaksAndOnlyLinesOpen) {
    struct Case {
        const char* what;
        std::function<void()> make;
        std::vector<std::string> listed;  // COM names, in order
        std::vector<std::string> opens;   // of those, the ones that open
        bool asNobody = false;            // read the folder without root's rights
    };
    auto link = [this](const std::string& name, const fs::path& target) {
        fs::create_symlink(target, Folder() / name);
    };
    auto pty = [this]() {
        ptys_.emplace_back();
        EXPECT_TRUE(OpenPtyPair(ptys_.back()));
        return fs::path(ptys_.back().slavePath);
    };
    const std::vector<Case> cases = {
        {"dangling links",
         [&] {
             link("com1", root_ / "gone");
             link("com2", "relative/gone");
         },
         {},
         {}},
        {"a link loop",
         [&] {
             link("com3", Folder() / "com4");
             link("com4", Folder() / "com3");
             link("com5", Folder() / "com5");
         },
         {},
         {}},
        {"links to a directory, a regular file, a FIFO and /dev/null",
         [&] {
             std::ofstream(root_ / "plain") << "text";
             ASSERT_EQ(mkfifo((root_ / "fifo").c_str(), 0600), 0);
             link("com0", root_);
             link("com1", root_ / "plain");
             link("com2", root_ / "fifo");
             link("com3", "/dev/null");
             link("com4", pty());
         },
         {"COM0:", "COM1:", "COM2:", "COM3:", "COM4:"},
         {"COM4:"}},
        {"the same entries as files, not links",
         [&] {
             fs::create_directory(Folder() / "com0");
             std::ofstream(Folder() / "com1") << "";
             ASSERT_EQ(mkfifo((Folder() / "com2").c_str(), 0600), 0);
         },
         {"COM0:", "COM1:", "COM2:"},
         {}},
        {"names outside com0 to com9",
         [&] {
             fs::path line = pty();
             for (const char* name :
                  {"com10", "COM1", "Com2", "com", "com3.bak", "xcom4", ".com5", "com-6", "com 7", "com\xd9\xa3"})
                 link(name, line);
         },
         {},
         {}},
        {"an unreadable folder",
         [&] {
             link("com6", pty());
             fs::permissions(Folder(), fs::perms::none);
         },
         {},
         {},
         true},
        {"a file where the folder should be",
         [&] {
             fs::remove_all(Folder());
             std::ofstream(Folder()) << "";
         },
         {},
         {}},
        {"thousands of entries",
         [&] {
             fs::path line = pty();
             for (int i = 0; i < 2000; ++i)
                 std::ofstream(Folder() / ("junk" + std::to_string(i))) << "";
             for (int i = 0; i < 1000; ++i)
                 link("com" + std::to_string(10 + i), line);
             link("com7", line);
         },
         {"COM7:"},
         {"COM7:"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::remove_all(Folder());
        fs::create_directories(Folder());
        c.make();
        int descriptors = OpenDescriptors();
        bool dropped = c.asNobody && geteuid() == 0;
        if (dropped) {
            ASSERT_EQ(seteuid(65534), 0);
        }
        auto start = std::chrono::steady_clock::now();
        std::vector<std::pair<std::string, std::string>> drivers = ActiveDrivers();
        std::vector<std::string> entries = PortListEntries();
        std::vector<std::string> opened;
        for (int index = 0; index < VIEW_MAX_PORTS; ++index) {
            std::u16string name = u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + index)) + u":";
            HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
            if (port == INVALID_HANDLE_VALUE) continue;
            opened.push_back(Narrow(name));
            EXPECT_TRUE(CloseHandle(port));
        }
        auto took = std::chrono::steady_clock::now() - start;
        if (dropped) {
            ASSERT_EQ(seteuid(0), 0);
        }
        fs::permissions(Folder(), fs::perms::owner_all);
        std::vector<std::string> listed;
        for (const auto& driver : drivers)
            listed.push_back(driver.first);
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(entries.size(), c.listed.size()) << "the port list shows what the registry view holds";
        EXPECT_EQ(opened, c.opens);
        EXPECT_LT(took, std::chrono::seconds(1));
        EXPECT_EQ(OpenDescriptors(), descriptors);
        for (PtyPair& p : ptys_)
            ClosePtyMaster(p);
        ptys_.clear();
    }
}

}  // namespace
