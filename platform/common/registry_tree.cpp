// Implements platform/common/registry_tree.h.
#include "platform/common/registry_tree.h"

#include <cstring>

#include "platform/common/registry_path.h"
#include "platform/text.h"

namespace {

constexpr int kMaxOpenKeys = 64;
constexpr HKEY kFirstKeyHandle = 0x4B00;

struct Key {
    WCHAR name[REGISTRY_TREE_KEY_CHARS];
    int parent;
};

struct Value {
    int key;
    WCHAR name[REGISTRY_TREE_VALUE_NAME_CHARS];
    DWORD type;
    WCHAR text[MAX_TEXT];  // REG_SZ
    DWORD number;          // REG_DWORD
};

struct RegistryTreeState {
    Key keys[REGISTRY_TREE_MAX_KEYS];
    int keyCount;
    Value values[REGISTRY_TREE_MAX_VALUES];
    int valueCount;
    int openKeys[kMaxOpenKeys];  // key + 1 of each open handle, 0 when free
    int openCount;
};
RegistryTreeState g_tree{{{u"", -1}}, 1, {}, 0, {}, 0};

Value* AddValue(int key, const WCHAR* name, DWORD type) {
    if (key < 0 || g_tree.valueCount == REGISTRY_TREE_MAX_VALUES) return nullptr;
    Value& v = g_tree.values[g_tree.valueCount++];
    v.key = key;
    WCopy(v.name, name, REGISTRY_TREE_VALUE_NAME_CHARS);
    v.type = type;
    v.text[0] = 0;
    v.number = 0;
    return &v;
}

int KeyOfHandle(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return REGISTRY_TREE_ROOT;
    HKEY slot = handle - kFirstKeyHandle;
    if (slot < 0 || slot >= kMaxOpenKeys) return -1;
    return g_tree.openKeys[slot] - 1;
}

HKEY OpenHandle(int key) {
    for (int i = 0; i < kMaxOpenKeys; ++i)
        if (g_tree.openKeys[i] == 0) {
            g_tree.openKeys[i] = key + 1;
            ++g_tree.openCount;
            return kFirstKeyHandle + i;
        }
    return -1;
}

}  // namespace

void ClearRegistryTree() {
    g_tree.keyCount = 1;
    g_tree.valueCount = 0;
}

int AddRegistryKey(int parent, const WCHAR* name) {
    if (parent < 0 || g_tree.keyCount == REGISTRY_TREE_MAX_KEYS) return -1;
    Key& k = g_tree.keys[g_tree.keyCount];
    WCopy(k.name, name, REGISTRY_TREE_KEY_CHARS);
    k.parent = parent;
    return g_tree.keyCount++;
}

void AddRegistryText(int key, const WCHAR* name, const WCHAR* text) {
    if (Value* v = AddValue(key, name, REG_SZ)) WCopy(v->text, text, MAX_TEXT);
}

void AddRegistryNumber(int key, const WCHAR* name, DWORD number) {
    if (Value* v = AddValue(key, name, REG_DWORD)) v->number = number;
}

int RegistryChild(int parent, const WCHAR* name, int length) {
    WCHAR wanted[REGISTRY_TREE_KEY_CHARS];
    if (length >= REGISTRY_TREE_KEY_CHARS) return -1;
    WCopy(wanted, name, static_cast<size_t>(length) + 1);
    for (int i = 1; i < g_tree.keyCount; ++i)
        if (g_tree.keys[i].parent == parent && WCompareNoCase(g_tree.keys[i].name, wanted) == 0) return i;
    return -1;
}

LONG OpenRegistryTreeKey(HKEY parent, const WCHAR* subKey, DWORD options, HKEY* result, void (*fill)()) {
    if (result == nullptr || options != 0) return ERROR_INVALID_PARAMETER;
    if (parent == HKEY_LOCAL_MACHINE && g_tree.openCount == 0) {
        ClearRegistryTree();
        fill();
    }
    int from = KeyOfHandle(parent);
    if (from < 0) return ERROR_INVALID_HANDLE;
    int key = FollowRegistryPath(from, subKey, RegistryChild);
    if (key < 0) return ERROR_FILE_NOT_FOUND;
    HKEY handle = OpenHandle(key);
    if (handle < 0) return ERROR_ACCESS_DENIED;
    *result = handle;
    return ERROR_SUCCESS;
}

LONG EnumRegistryTreeKey(HKEY handle, DWORD index, WCHAR* name, DWORD* nameChars) {
    int key = KeyOfHandle(handle);
    if (key < 0) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameChars == nullptr) return ERROR_INVALID_PARAMETER;
    DWORD seen = 0;
    for (int i = 1; i < g_tree.keyCount; ++i) {
        if (g_tree.keys[i].parent != key || seen++ != index) continue;
        DWORD length = static_cast<DWORD>(WLen(g_tree.keys[i].name));
        if (length + 1 > *nameChars) return ERROR_MORE_DATA;
        WCopy(name, g_tree.keys[i].name, length + 1);
        *nameChars = length;
        return ERROR_SUCCESS;
    }
    return ERROR_NO_MORE_ITEMS;
}

LONG QueryRegistryTreeValue(HKEY handle, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes) {
    int key = KeyOfHandle(handle);
    if (key < 0) return ERROR_INVALID_HANDLE;
    for (int i = 0; i < g_tree.valueCount; ++i) {
        const Value& v = g_tree.values[i];
        if (v.key != key || WCompareNoCase(v.name, valueName != nullptr ? valueName : u"") != 0) continue;
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

LONG CloseRegistryTreeKey(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    if (KeyOfHandle(handle) < 0) return ERROR_INVALID_HANDLE;
    g_tree.openKeys[handle - kFirstKeyHandle] = 0;
    --g_tree.openCount;
    return ERROR_SUCCESS;
}
