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
// keys. The view is read again when a key is opened below the root while no
// other key is open, so open keys never see it change under them.
#include "platform/registry.h"

#include <cstring>

#include "platform/text.h"
#include "platform/win32/port_view.h"

namespace {

constexpr LONG kErrorInvalidParameter = 87;
constexpr int kRoot = 0;
constexpr int kDrivers = 1;
constexpr int kActive = 2;
constexpr int kFirstPort = 3;  // node of ports[i] is kFirstPort + i
constexpr int kMaxOpenKeys = 64;
constexpr HKEY kFirstKeyHandle = 0x5700;

struct RegistryState {
    ViewPort ports[VIEW_MAX_PORTS];
    int portCount;
    int openNodes[kMaxOpenKeys];  // node + 1 of each open key handle, 0 when free
    int openCount;
};
RegistryState g_registry;

int ParentOf(int node) {
    if (node == kDrivers) return kRoot;
    if (node == kActive) return kDrivers;
    return node >= kFirstPort ? kActive : -1;
}

void NameOf(int node, WCHAR* name, int capacity) {
    if (node == kDrivers) {
        WCopy(name, u"Drivers", capacity);
    } else if (node == kActive) {
        WCopy(name, u"Active", capacity);
    } else {
        int index = g_registry.ports[node - kFirstPort].index;
        WFormat(name, capacity, u"%d%d", index / 10, index % 10);
    }
}

int NodeCount() { return kFirstPort + g_registry.portCount; }

// Registry names compare without regard to case.
int ChildNamed(int parent, const WCHAR* name, int nameChars) {
    WCHAR wanted[MAX_TEXT], candidate[MAX_TEXT];
    if (nameChars >= MAX_TEXT) return -1;
    WCopy(wanted, name, static_cast<size_t>(nameChars) + 1);
    for (int node = 1; node < NodeCount(); ++node) {
        if (ParentOf(node) != parent) continue;
        NameOf(node, candidate, MAX_TEXT);
        if (WCompareNoCase(candidate, wanted) == 0) return node;
    }
    return -1;
}

int FindPath(int node, const WCHAR* path) {
    while (node >= 0 && path != nullptr && *path != 0) {
        const WCHAR* end = path;
        while (*end != 0 && *end != u'\\')
            ++end;
        if (end > path) node = ChildNamed(node, path, static_cast<int>(end - path));
        path = *end != 0 ? end + 1 : end;
    }
    return node;
}

int NodeOfKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return kRoot;
    HKEY slot = key - kFirstKeyHandle;
    if (slot < 0 || slot >= kMaxOpenKeys) return -1;
    return g_registry.openNodes[slot] - 1;
}

HKEY OpenHandle(int node) {
    for (int i = 0; i < kMaxOpenKeys; ++i)
        if (g_registry.openNodes[i] == 0) {
            g_registry.openNodes[i] = node + 1;
            ++g_registry.openCount;
            return kFirstKeyHandle + i;
        }
    return -1;
}

// The text of a port's value; false when the port has no such value.
bool PortValue(int node, const WCHAR* valueName, WCHAR* text) {
    const ViewPort& port = g_registry.ports[node - kFirstPort];
    if (WCompareNoCase(valueName, u"Name") == 0) {
        WFormat(text, MAX_TEXT, u"COM%d:", port.index);
        return true;
    }
    if (WCompareNoCase(valueName, u"Key") == 0) {
        WFormat(text, MAX_TEXT, u"Drivers\\Windows\\%s", port.description);
        return true;
    }
    return false;
}

}  // namespace

LONG RegOpenKeyExW(HKEY parent, const WCHAR* subKey, DWORD, DWORD, HKEY* result) {
    if (result == nullptr) return kErrorInvalidParameter;
    if (parent == HKEY_LOCAL_MACHINE && g_registry.openCount == 0)
        g_registry.portCount = ScanSerialPorts(g_registry.ports);
    int from = NodeOfKey(parent);
    if (from < 0) return ERROR_INVALID_HANDLE;
    int node = FindPath(from, subKey);
    if (node < 0) return ERROR_FILE_NOT_FOUND;
    HKEY key = OpenHandle(node);
    if (key < 0) return ERROR_ACCESS_DENIED;
    *result = key;
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameChars) {
    int node = NodeOfKey(key);
    if (node < 0) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameChars == nullptr) return kErrorInvalidParameter;
    DWORD seen = 0;
    for (int child = 1; child < NodeCount(); ++child) {
        if (ParentOf(child) != node || seen++ != index) continue;
        WCHAR childName[MAX_TEXT];
        NameOf(child, childName, MAX_TEXT);
        DWORD length = static_cast<DWORD>(WLen(childName));
        if (length + 1 > *nameChars) return ERROR_MORE_DATA;
        WCopy(name, childName, length + 1);
        *nameChars = length;
        return ERROR_SUCCESS;
    }
    return ERROR_NO_MORE_ITEMS;
}

LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes) {
    int node = NodeOfKey(key);
    if (node < 0) return ERROR_INVALID_HANDLE;
    WCHAR text[MAX_TEXT];
    if (node < kFirstPort || !PortValue(node, valueName != nullptr ? valueName : u"", text))
        return ERROR_FILE_NOT_FOUND;
    DWORD size = static_cast<DWORD>((WLen(text) + 1) * sizeof(WCHAR));
    if (type != nullptr) *type = REG_SZ;
    if (data == nullptr) {
        if (dataBytes != nullptr) *dataBytes = size;
        return ERROR_SUCCESS;
    }
    if (dataBytes == nullptr) return kErrorInvalidParameter;
    bool fits = *dataBytes >= size;
    *dataBytes = size;
    if (!fits) return ERROR_MORE_DATA;
    std::memcpy(data, text, size);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    if (NodeOfKey(key) < 0) return ERROR_INVALID_HANDLE;
    g_registry.openNodes[key - kFirstKeyHandle] = 0;
    --g_registry.openCount;
    return ERROR_SUCCESS;
}
