// Implements platform/registry.h on Windows: the handheld's list of active
// drivers, made from the serial ports Windows lists.
//
// Desktop Windows keeps its serial ports under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (device name = port name), not under
// Drivers\Active. The view holds HKEY_LOCAL_MACHINE\Drivers\Active with one
// subkey per port, "00" to "09" by COM number, with "Name" (COMn:) and "Key"
// (Drivers\Windows\ and the device's own name, such as BthModem0 for a
// Bluetooth serial port Windows made, or VCP0 for a USB adapter). Windows
// makes its Bluetooth serial ports itself and connects them when they are
// opened, so they are ordinary lines here and the view has no Bluetooth
// keys. The tree (platform/common/registry_tree.h) is built anew as its rule
// says.
#include "platform/registry.h"

#include "platform/common/registry_tree.h"
#include "platform/text.h"
#include "platform/win32/port_view.h"

namespace {

// The root, Drivers and Active.
static_assert(3 + VIEW_MAX_PORTS <= REGISTRY_TREE_MAX_KEYS && 2 * VIEW_MAX_PORTS <= REGISTRY_TREE_MAX_VALUES);

struct RegistryState {
    ViewPort ports[VIEW_MAX_PORTS];  // kept here rather than on the stack of every rebuild
};
RegistryState g_registry;

}  // namespace

void BuildRegistryTree() {
    int drivers = AddRegistryKey(REGISTRY_TREE_ROOT, u"Drivers");
    int active = AddRegistryKey(drivers, u"Active");
    int count = ScanSerialPorts(g_registry.ports);
    for (int i = 0; i < count; ++i) {
        const ViewPort& port = g_registry.ports[i];
        WCHAR name[REGISTRY_TREE_KEY_CHARS], text[MAX_TEXT];
        WFormat(name, REGISTRY_TREE_KEY_CHARS, u"%d%d", port.index / 10, port.index % 10);
        int driver = AddRegistryKey(active, name);
        WFormat(text, MAX_TEXT, u"COM%d:", port.index);
        AddRegistryText(driver, u"Name", text);
        WFormat(text, MAX_TEXT, u"Drivers\\Windows\\%s", port.description);
        AddRegistryText(driver, u"Key", text);
    }
}
