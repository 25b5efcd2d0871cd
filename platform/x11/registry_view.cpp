// Implements platform/registry.h: a read-only registry built from the machine's serial lines.
//
// HKEY_LOCAL_MACHINE\Drivers\Active holds one subkey per line of the device
// view, "00" to "09" by COM index, with "Name" (COMn:) and "Key" (a driver
// path whose last component describes the line). The tree is rebuilt when a
// key is opened below the root while no other key is open, so open keys
// never see a tree change under them.
#include <cstring>

#include "platform/registry.h"
#include "platform/text.h"
#include "platform/x11/device_view.h"

namespace {

constexpr LONG kErrorInvalidParameter = 87;
constexpr int kMaxNodes = 4 + VIEW_MAX_PORTS;
constexpr int kMaxValues = 2;
constexpr int kMaxOpenKeys = 64;
constexpr int kNodeNameChars = 16;
constexpr HKEY kFirstKeyHandle = 0x4B00;
constexpr int kRoot = 0;

struct Value {
    WCHAR name[kNodeNameChars];
    WCHAR text[MAX_TEXT];
};

struct Node {
    WCHAR name[kNodeNameChars];
    int parent;
    int valueCount;
    Value values[kMaxValues];
};

Node g_nodes[kMaxNodes];
int g_nodeCount = 0;
int g_openNodes[kMaxOpenKeys];  // node + 1 of each open key handle, 0 when free
int g_openCount = 0;

int AddNode(int parent, const WCHAR* name) {
    Node& n = g_nodes[g_nodeCount];
    WCopy(n.name, name, kNodeNameChars);
    n.parent = parent;
    n.valueCount = 0;
    return g_nodeCount++;
}

void AddText(int node, const WCHAR* name, const WCHAR* text) {
    Node& n = g_nodes[node];
    Value& v = n.values[n.valueCount++];
    WCopy(v.name, name, kNodeNameChars);
    WCopy(v.text, text, MAX_TEXT);
}

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

void BuildTree() {
    g_nodeCount = 0;
    AddNode(-1, u"");
    int drivers = AddNode(kRoot, u"Drivers");
    int active = AddNode(drivers, u"Active");
    static ViewPort ports[VIEW_MAX_PORTS];
    int count = ScanDeviceView(ports);
    for (int i = 0; i < count; ++i) AddDriver(active, ports[i]);
}

int NodeOfKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) return kRoot;
    HKEY slot = key - kFirstKeyHandle;
    if (slot < 0 || slot >= kMaxOpenKeys) return -1;
    return g_openNodes[slot] - 1;
}

// Registry names compare without regard to case.
int ChildNamed(int parent, const WCHAR* name, int nameChars) {
    WCHAR wanted[kNodeNameChars];
    if (nameChars >= kNodeNameChars) return -1;
    WCopy(wanted, name, static_cast<size_t>(nameChars) + 1);
    for (int i = 0; i < g_nodeCount; ++i)
        if (g_nodes[i].parent == parent && WCompareNoCase(g_nodes[i].name, wanted) == 0) return i;
    return -1;
}

int FindPath(int node, const WCHAR* path) {
    while (node >= 0 && path != nullptr && *path != 0) {
        const WCHAR* end = path;
        while (*end != 0 && *end != u'\\') ++end;
        if (end > path) node = ChildNamed(node, path, static_cast<int>(end - path));
        path = *end != 0 ? end + 1 : end;
    }
    return node;
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

LONG RegOpenKeyExW(HKEY parent, const WCHAR* subKey, DWORD, DWORD, HKEY* result) {
    if (result == nullptr) return kErrorInvalidParameter;
    if (parent == HKEY_LOCAL_MACHINE && g_openCount == 0) BuildTree();
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
    const Node& n = g_nodes[node];
    for (int i = 0; i < n.valueCount; ++i) {
        if (WCompareNoCase(n.values[i].name, valueName != nullptr ? valueName : u"") != 0) continue;
        DWORD size = static_cast<DWORD>((WLen(n.values[i].text) + 1) * sizeof(WCHAR));
        if (type != nullptr) *type = REG_SZ;
        if (data == nullptr) {
            if (dataBytes != nullptr) *dataBytes = size;
            return ERROR_SUCCESS;
        }
        if (dataBytes == nullptr) return kErrorInvalidParameter;
        bool fits = *dataBytes >= size;
        *dataBytes = size;
        if (!fits) return ERROR_MORE_DATA;
        memcpy(data, n.values[i].text, size);
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
