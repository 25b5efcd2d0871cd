// Implements platform/registry.h: a read-only registry built from the machine's serial lines and BlueZ.
//
// HKEY_LOCAL_MACHINE\Drivers\Active holds one subkey per line of the device
// view, "00" to "09" by COM index, with "Name" (COMn:) and "Key" (a driver
// path whose last component describes the line). When BlueZ answers,
// Software\Microsoft\Bluetooth\Device holds one subkey per paired device,
// named by its address as 12 hex digits, with "name" and a "Services" subkey
// per service UUID. The Serial Port service's "channel" is
// RFCOMM_CHANNEL_MULTIPLE: the port-emulation driver lets bluetoothd find the
// device's channel when it connects, which no ordinary user can read before. The tree is rebuilt when a key is opened
// below the root while no other key is open, so open keys never see a tree
// change under them.
#include <cstring>

#include "platform/bluetooth.h"
#include "platform/common/registry_path.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/linux/bluez_client.h"
#include "platform/linux/device_view.h"

namespace {

// The root, Drivers, Active, and Software\Microsoft\Bluetooth\Device.
constexpr int kFixedNodes = 7;
// A device key, its Services key and one key per service.
constexpr int kNodesPerDevice = 2 + BLUEZ_MAX_UUIDS;
constexpr int kMaxNodes = kFixedNodes + VIEW_MAX_PORTS + BLUEZ_MAX_DEVICES * kNodesPerDevice;
// Name and Key per line; name and channel per device.
constexpr int kMaxValues = 2 * VIEW_MAX_PORTS + 2 * BLUEZ_MAX_DEVICES;
constexpr int kMaxOpenKeys = 64;
constexpr int kNodeNameChars = BLUEZ_UUID_CHARS;
constexpr int kValueNameChars = 16;
constexpr int kAddressDigits = 12;
constexpr HKEY kFirstKeyHandle = 0x4B00;
constexpr int kRoot = 0;

struct Value {
    int node;
    WCHAR name[kValueNameChars];
    DWORD type;
    WCHAR text[MAX_TEXT];  // REG_SZ
    DWORD number;          // REG_DWORD
};

struct Node {
    WCHAR name[kNodeNameChars];
    int parent;
};

Node g_nodes[kMaxNodes];
int g_nodeCount = 0;
Value g_values[kMaxValues];
int g_valueCount = 0;
int g_openNodes[kMaxOpenKeys];  // node + 1 of each open key handle, 0 when free
int g_openCount = 0;

int AddNode(int parent, const WCHAR* name) {
    Node& n = g_nodes[g_nodeCount];
    WCopy(n.name, name, kNodeNameChars);
    n.parent = parent;
    return g_nodeCount++;
}

Value& AddValue(int node, const WCHAR* name, DWORD type) {
    Value& v = g_values[g_valueCount++];
    v.node = node;
    WCopy(v.name, name, kValueNameChars);
    v.type = type;
    v.text[0] = 0;
    v.number = 0;
    return v;
}

void AddText(int node, const WCHAR* name, const WCHAR* text) { WCopy(AddValue(node, name, REG_SZ).text, text, MAX_TEXT); }

void AddNumber(int node, const WCHAR* name, DWORD number) { AddValue(node, name, REG_DWORD).number = number; }

void AddDriver(int active, const ViewPort& port) {
    WCHAR name[kNodeNameChars], text[MAX_TEXT], description[VIEW_PATH_CHARS];
    WFormat(name, kNodeNameChars, u"%d%d", port.index / 10, port.index % 10);
    int driver = AddNode(active, name);
    WFormat(text, MAX_TEXT, u"COM%d:", port.index);
    AddText(driver, u"Name", text);
    WFromBytes(description, port.description, VIEW_PATH_CHARS);
    WFormat(text, MAX_TEXT, port.attached ? u"Drivers\\Attached\\%s" : u"Drivers\\Linux\\%s", description);
    AddText(driver, u"Key", text);
}

// "AA:BB:CC:DD:EE:FF" as "AABBCCDDEEFF"; false for any other text.
bool AddressKeyName(const char* address, WCHAR* keyName) {
    int digits = 0;
    for (int i = 0; address[i] != '\0'; ++i) {
        if (i % 3 == 2) {
            if (address[i] != ':') return false;
            continue;
        }
        WCHAR c = static_cast<unsigned char>(address[i]);
        if (WHexDigit(c) < 0 || digits == kAddressDigits) return false;
        keyName[digits++] = static_cast<WCHAR>(c >= u'a' ? c - u'a' + u'A' : c);
    }
    keyName[digits] = 0;
    return digits == kAddressDigits;
}

// Characters 4 to 7 of the UUID text name the 16-bit service class.
bool IsSerialPortUuid(const char* uuid) { return strlen(uuid) >= 8 && strncmp(uuid + 4, "1101", 4) == 0; }

// Registry names compare without regard to case.
int ChildNamed(int parent, const WCHAR* name, int nameChars) {
    WCHAR wanted[kNodeNameChars];
    if (nameChars >= kNodeNameChars) return -1;
    WCopy(wanted, name, static_cast<size_t>(nameChars) + 1);
    for (int i = 0; i < g_nodeCount; ++i)
        if (g_nodes[i].parent == parent && WCompareNoCase(g_nodes[i].name, wanted) == 0) return i;
    return -1;
}

void AddDevice(int devices, const BluezDevice& device) {
    WCHAR keyName[kAddressDigits + 1], text[kNodeNameChars];
    if (!AddressKeyName(device.address, keyName) || ChildNamed(devices, keyName, kAddressDigits) >= 0) return;
    int key = AddNode(devices, keyName);
    AddText(key, u"name", device.name);
    int services = AddNode(key, u"Services");
    bool channelGiven = false;
    for (int i = 0; i < device.uuidCount; ++i) {
        int service = AddNode(services, WFromBytes(text, device.uuids[i], kNodeNameChars));
        if (channelGiven || !IsSerialPortUuid(device.uuids[i])) continue;
        channelGiven = true;
        AddNumber(service, u"channel", RFCOMM_CHANNEL_MULTIPLE);
    }
}

// Only a BlueZ that answers gives the Bluetooth keys; a missing one leaves no trace.
void AddBluetooth() {
    static BluezDevice devices[BLUEZ_MAX_DEVICES];
    int count = BluezListPairedDevices(devices, BLUEZ_MAX_DEVICES);
    if (count < 0) return;
    int software = AddNode(kRoot, u"Software");
    int microsoft = AddNode(software, u"Microsoft");
    int bluetooth = AddNode(microsoft, u"Bluetooth");
    int deviceRoot = AddNode(bluetooth, u"Device");
    for (int i = 0; i < count; ++i) AddDevice(deviceRoot, devices[i]);
}

void BuildTree() {
    g_nodeCount = 0;
    g_valueCount = 0;
    AddNode(-1, u"");
    int drivers = AddNode(kRoot, u"Drivers");
    int active = AddNode(drivers, u"Active");
    static ViewPort ports[VIEW_MAX_PORTS];
    int count = ScanDeviceView(ports);
    for (int i = 0; i < count; ++i) AddDriver(active, ports[i]);
    AddBluetooth();
}

int NodeOfKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return kRoot;
    HKEY slot = key - kFirstKeyHandle;
    if (slot < 0 || slot >= kMaxOpenKeys) return -1;
    return g_openNodes[slot] - 1;
}

HKEY OpenHandle(int node) {
    for (int i = 0; i < kMaxOpenKeys; ++i)
        if (g_openNodes[i] == 0) {
            g_openNodes[i] = node + 1;
            ++g_openCount;
            return kFirstKeyHandle + i;
        }
    return -1;
}

}  // namespace

LONG RegOpenKeyExW(HKEY parent, const WCHAR* subKey, DWORD options, DWORD, HKEY* result) {
    if (result == nullptr || options != 0) return ERROR_INVALID_PARAMETER;
    if (parent == HKEY_LOCAL_MACHINE && g_openCount == 0) BuildTree();
    int from = NodeOfKey(parent);
    if (from < 0) return ERROR_INVALID_HANDLE;
    int node = FollowRegistryPath(from, subKey, ChildNamed);
    if (node < 0) return ERROR_FILE_NOT_FOUND;
    HKEY key = OpenHandle(node);
    if (key < 0) return ERROR_ACCESS_DENIED;
    *result = key;
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameChars) {
    int node = NodeOfKey(key);
    if (node < 0) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameChars == nullptr) return ERROR_INVALID_PARAMETER;
    DWORD seen = 0;
    for (int i = 0; i < g_nodeCount; ++i) {
        if (g_nodes[i].parent != node || seen++ != index) continue;
        DWORD len = static_cast<DWORD>(WLen(g_nodes[i].name));
        if (len + 1 > *nameChars) return ERROR_MORE_DATA;
        WCopy(name, g_nodes[i].name, len + 1);
        *nameChars = len;
        return ERROR_SUCCESS;
    }
    return ERROR_NO_MORE_ITEMS;
}

LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes) {
    int node = NodeOfKey(key);
    if (node < 0) return ERROR_INVALID_HANDLE;
    for (int i = 0; i < g_valueCount; ++i) {
        const Value& v = g_values[i];
        if (v.node != node || WCompareNoCase(v.name, valueName != nullptr ? valueName : u"") != 0) continue;
        const void* bytes = v.type == REG_DWORD ? static_cast<const void*>(&v.number) : v.text;
        DWORD size = v.type == REG_DWORD ? sizeof v.number : static_cast<DWORD>((WLen(v.text) + 1) * sizeof(WCHAR));
        if (type != nullptr) *type = v.type;
        if (data == nullptr) {
            if (dataBytes != nullptr) *dataBytes = size;
            return ERROR_SUCCESS;
        }
        if (dataBytes == nullptr) return ERROR_INVALID_PARAMETER;
        bool fits = *dataBytes >= size;
        *dataBytes = size;
        if (!fits) return ERROR_MORE_DATA;
        memcpy(data, bytes, size);
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    if (NodeOfKey(key) < 0) return ERROR_INVALID_HANDLE;
    g_openNodes[key - kFirstKeyHandle] = 0;
    --g_openCount;
    return ERROR_SUCCESS;
}
