// The contract suites' machine on the Linux desktop: a made-up sysfs, a
// devices folder with links to pseudo-terminals and BlueZ's stand-in on a
// private bus (tests/linux/with-bluez).
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/bluetooth.h"
#include "tests/contract/machine.h"
#include "tests/linux/bluez_mock.h"
#include "tests/linux/pty_pair.h"
#include "tests/linux/view_root.h"

namespace fs = std::filesystem;

namespace {

struct LinuxMachine {
    fs::path root;
    PtyPair lines[10];
};
LinuxMachine g_machine;

bool AdapterFlag(const char* name) { return MockGet<bool>(MOCK_ADAPTER_PATH, "org.bluez.Adapter1", name); }

}  // namespace

bool BuildMachine() {
    if (!OpenMockBus()) {
        ADD_FAILURE() << "run through tests/linux/with-bluez";
        return false;
    }
    g_machine.root = MakeViewRoot();
    if (g_machine.root.empty()) return false;
    fs::path devices = DevicesFolder(g_machine.root);
    for (int index : kLines) {
        if (!OpenPtyPair(g_machine.lines[index])) return false;
        fs::create_symlink(g_machine.lines[index].slavePath, devices / ("com" + std::to_string(index)));
    }
    MockAddAdapter("tastra-contract");
    SetRadio(BTH_POWER_OFF);
    const std::vector<std::string> serialPort = {"00001101-0000-1000-8000-00805f9b34fb"};
    const std::vector<std::string> objectPush = {"00001105-0000-1000-8000-00805f9b34fb"};
    MockPairDevice("0A:1B:2C:3D:4E:5F", "Terminal", &serialPort);
    MockPairDevice("11:22:33:44:55:66", "Phone", &objectPush);
    return true;
}

void TearDownMachine() {
    // The backend remembers the radio it found until it gives it back.
    BthSetMode(BTH_POWER_OFF);
    for (PtyPair& line : g_machine.lines)
        ClosePtyMaster(line);
    CloseMockBus();
    unsetenv("LC_ALL");
    RemoveViewRoot(g_machine.root);
}

int FarEnd(int index) { return g_machine.lines[index].master; }
void CutLine(int index) { ClosePtyMaster(g_machine.lines[index]); }
// With its master closed the pseudo-terminal's node is gone, and the link dangles.
void UnplugLine(int index) { ClosePtyMaster(g_machine.lines[index]); }
void ReplugLine(int index) {
    fs::path link = DevicesFolder(g_machine.root) / ("com" + std::to_string(index));
    ASSERT_TRUE(OpenPtyPair(g_machine.lines[index]));
    fs::remove(link);
    fs::create_symlink(g_machine.lines[index].slavePath, link);
}

void SetUserLanguage(bool german) { setenv("LC_ALL", german ? "de_DE.UTF-8" : "en_US.UTF-8", 1); }

void SetRadio(DWORD mode) {
    MockSetAdapter("Powered", mode != BTH_POWER_OFF);
    MockSetAdapter("Discoverable", mode == BTH_DISCOVERABLE);
}

DWORD Radio() {
    if (!AdapterFlag("Powered")) return BTH_POWER_OFF;
    return AdapterFlag("Discoverable") ? BTH_DISCOVERABLE : BTH_CONNECTABLE;
}
