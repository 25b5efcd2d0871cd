// The contract suites' machine on the Linux desktop: a made-up sysfs, a
// devices folder with links to pseudo-terminals and BlueZ's stand-in on a
// private bus (tests/linux/with-bluez).
#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/bluetooth.h"
#include "platform/linux/device_view.h"
#include "tests/contract/machine.h"
#include "tests/linux/pty_pair.h"

namespace fs = std::filesystem;

namespace {

const char kAdapter[] = "/org/bluez/hci0";

struct LinuxMachine {
    fs::path root;
    PtyPair lines[10];
    std::unique_ptr<sdbus::IConnection> bus;
};
LinuxMachine g_machine;

std::unique_ptr<sdbus::IProxy> Proxy(const std::string& path) {
    return sdbus::createProxy(*g_machine.bus, "org.bluez", path);
}

void SetAdapter(const char* name, bool on) {
    Proxy(kAdapter)
        ->callMethod("Set")
        .onInterface("org.freedesktop.DBus.Properties")
        .withArguments("org.bluez.Adapter1", name, sdbus::Variant(on));
}

bool AdapterFlag(const char* name) {
    sdbus::Variant value;
    Proxy(kAdapter)
        ->callMethod("Get")
        .onInterface("org.freedesktop.DBus.Properties")
        .withArguments("org.bluez.Adapter1", name)
        .storeResultsTo(value);
    return value.get<bool>();
}

void Pair(const std::string& address, const char* name, const std::string& uuid) {
    Proxy("/")->callMethod("AddDevice").onInterface("org.bluez.Mock").withArguments("hci0", address, name);
    Proxy("/")
        ->callMethod("PairDevice")
        .onInterface("org.bluez.Mock")
        .withArguments("hci0", address, int32_t{0x5a020c});
    std::string path = std::string(kAdapter) + "/dev_" + address;
    for (char& c : path)
        if (c == ':') c = '_';
    Proxy(path)
        ->callMethod("Set")
        .onInterface("org.freedesktop.DBus.Properties")
        .withArguments("org.bluez.Device1", "UUIDs", sdbus::Variant(std::vector<std::string>{uuid}));
}

}  // namespace

bool BuildMachine() {
    const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (bus == nullptr) {
        ADD_FAILURE() << "run through tests/linux/with-bluez";
        return false;
    }
    char tmpl[] = "/tmp/tastra-contract-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return false;
    g_machine.root = tmpl;
    fs::create_directories(g_machine.root / "sys/class/tty");
    fs::create_directories(g_machine.root / "dev");
    fs::path devices = g_machine.root / "config/tastra/devices";
    fs::create_directories(devices);
    setenv("XDG_CONFIG_HOME", (g_machine.root / "config").c_str(), 1);
    UseDeviceViewRoots((g_machine.root / "sys").c_str(), (g_machine.root / "dev").c_str());
    for (int index : kLines) {
        if (!OpenPtyPair(g_machine.lines[index])) return false;
        fs::create_symlink(g_machine.lines[index].slavePath, devices / ("com" + std::to_string(index)));
    }
    g_machine.bus = sdbus::createSystemBusConnection();
    Proxy("/")->callMethod("Reset").onInterface("org.freedesktop.DBus.Mock");
    Proxy("/")->callMethod("AddAdapter").onInterface("org.bluez.Mock").withArguments("hci0", "tastra-contract");
    SetRadio(BTH_POWER_OFF);
    Pair("0A:1B:2C:3D:4E:5F", "Terminal", "00001101-0000-1000-8000-00805f9b34fb");
    Pair("11:22:33:44:55:66", "Phone", "00001105-0000-1000-8000-00805f9b34fb");
    return true;
}

void TearDownMachine() {
    // The backend remembers the radio it found until it gives it back.
    BthSetMode(BTH_POWER_OFF);
    for (PtyPair& line : g_machine.lines)
        ClosePtyMaster(line);
    g_machine.bus.reset();
    UseDeviceViewRoots(nullptr, nullptr);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("LC_ALL");
    fs::remove_all(g_machine.root);
}

int FarEnd(int index) { return g_machine.lines[index].master; }
void CutLine(int index) { ClosePtyMaster(g_machine.lines[index]); }

void SetUserLanguage(bool german) { setenv("LC_ALL", german ? "de_DE.UTF-8" : "en_US.UTF-8", 1); }

void SetRadio(DWORD mode) {
    SetAdapter("Powered", mode != BTH_POWER_OFF);
    SetAdapter("Discoverable", mode == BTH_DISCOVERABLE);
}

DWORD Radio() {
    if (!AdapterFlag("Powered")) return BTH_POWER_OFF;
    return AdapterFlag("Discoverable") ? BTH_DISCOVERABLE : BTH_CONNECTABLE;
}
