// Implements platform/registry.h on the emulated handheld.
#include "platform/emulated/emu_registry.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/common/registry_path.h"
#include "platform/emulated/emu_fold.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {
constexpr int kRoot = 0;
constexpr int kNone = -1;

struct Value {
    std::u16string name;
    DWORD type;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string name;
    std::u16string folded;  // the name without case: what lookups compare
    std::vector<Value> values;
    std::vector<int> children;  // in order of creation
    int parent = kNone;
    bool denyOpen = false;
    bool deleted = false;
};

// Fuzzers reset the store and build hundreds of keys thousands of times a
// second, so nothing is given back on a reset: keys past `used` keep their
// storage for the next ones, and one open-addressed table finds a child by
// parent and folded name without a node per key.
struct RegistryState {
    std::vector<Key> keys = std::vector<Key>(1);  // keys[kRoot] is HKEY_LOCAL_MACHINE
    int used = 1;
    std::vector<int> table = std::vector<int>(64, kNone);  // a power of two in size
    int tableEntries = 0;                                  // deleted keys stay in the table and are skipped
    std::vector<std::pair<HKEY, int>> open;                // handle -> key; a few at a time, so searched in turn
    std::u16string lastParentPath;                         // see CreateKey
    int lastParent = kNone;
    // Outlives resets so that a handle from before a reset stays unknown.
    HKEY nextHandle = 0x1000;
};

RegistryState g_registry;

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (EmuFoldChar(a[i]) != EmuFoldChar(b[i])) return false;
    return true;
}

// Compares a stored folded name with a name as given.
bool SameFolded(const std::u16string& folded, std::u16string_view name) {
    if (folded.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (folded[i] != EmuFoldChar(name[i])) return false;
    return true;
}

// Folds as it hashes: lookups copy no name.
size_t Slot(int parent, std::u16string_view name) {
    uint32_t hash = 2166136261u ^ static_cast<uint32_t>(parent);
    for (char16_t c : name)
        hash = (hash ^ EmuFoldChar(c)) * 16777619u;
    return hash & (g_registry.table.size() - 1);
}

void AddToTable(int key) {
    auto& table = g_registry.table;
    size_t slot = Slot(g_registry.keys[key].parent, g_registry.keys[key].name);
    while (table[slot] != kNone)
        slot = (slot + 1) & (table.size() - 1);
    table[slot] = key;
    ++g_registry.tableEntries;
}

// Keeps the table at most half full.
void GrowTable() {
    if (2 * (g_registry.tableEntries + 1) <= static_cast<int>(g_registry.table.size())) return;
    g_registry.table.assign(2 * g_registry.table.size(), kNone);
    g_registry.tableEntries = 0;
    for (int key = kRoot + 1; key < g_registry.used; ++key)
        AddToTable(key);
}

int FindChild(int parent, std::u16string_view name) {
    const auto& table = g_registry.table;
    for (size_t slot = Slot(parent, name); table[slot] != kNone; slot = (slot + 1) & (table.size() - 1)) {
        const Key& key = g_registry.keys[table[slot]];
        if (!key.deleted && key.parent == parent && SameFolded(key.folded, name)) return table[slot];
    }
    return kNone;
}

// The next non-empty component of `path` from `at` on; empty at the end.
std::u16string_view NextPart(std::u16string_view path, size_t& at) {
    while (at < path.size() && path[at] == u'\\')
        ++at;
    size_t start = at;
    while (at < path.size() && path[at] != u'\\')
        ++at;
    return path.substr(start, at - start);
}

int FindKey(std::u16string_view path) {
    int key = kRoot;
    size_t at = 0;
    for (std::u16string_view part = NextPart(path, at); !part.empty(); part = NextPart(path, at)) {
        key = FindChild(key, part);
        if (key == kNone) return kNone;
    }
    return key;
}

int NewKey(int parent, std::u16string_view name) {
    GrowTable();
    int key = g_registry.used++;
    if (key == static_cast<int>(g_registry.keys.size())) g_registry.keys.emplace_back();
    Key& created = g_registry.keys[key];
    created.name.assign(name);
    created.folded.assign(name);
    for (char16_t& c : created.folded)
        c = EmuFoldChar(c);
    created.values.clear();
    created.children.clear();
    created.parent = parent;
    created.denyOpen = false;
    created.deleted = false;
    AddToTable(key);
    g_registry.keys[parent].children.push_back(key);
    return key;
}

int ChildOrNew(int parent, std::u16string_view name) {
    int child = FindChild(parent, name);
    return child == kNone ? NewKey(parent, name) : child;
}

// Keys made by path come in runs of siblings (tests and the export loader
// make hundreds under one long path), so the parent of the last key created is kept with the path
// that led to it, and a path that only adds a name to it starts from there.
int CreateKey(std::u16string_view path) {
    auto& last = g_registry.lastParentPath;
    if (g_registry.lastParent != kNone && path.size() > last.size() && path.substr(0, last.size()) == last &&
        path.find(u'\\', last.size()) == std::u16string_view::npos)
        return ChildOrNew(g_registry.lastParent, path.substr(last.size()));
    int key = kRoot;
    size_t at = 0;
    for (std::u16string_view part = NextPart(path, at); !part.empty(); part = NextPart(path, at)) {
        last.assign(path.substr(0, at - part.size()));
        g_registry.lastParent = key;
        key = ChildOrNew(key, part);
    }
    return key;
}

Value* FindValue(int key, const std::u16string& name) {
    for (auto& value : g_registry.keys[key].values)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

void MarkDeleted(int key) {
    g_registry.keys[key].deleted = true;
    for (int child : g_registry.keys[key].children)
        MarkDeleted(child);
}

// The key behind a handle, or kNone for an unknown, closed or deleted one.
int KeyOfHandle(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return kRoot;
    for (const auto& [open, key] : g_registry.open)
        if (open == handle) return g_registry.keys[key].deleted ? kNone : key;
    return kNone;
}

int ChildOf(int parent, const WCHAR* name, int length) {
    return FindChild(parent, std::u16string_view(name, static_cast<size_t>(length)));
}
}  // namespace

// Values are given back, so that an input that made none leaves nothing new
// allocated (libFuzzer runs a leak check after any input that does).
void EmuResetRegistry() {
    for (int key = kRoot; key < g_registry.used; ++key)
        g_registry.keys[key].values.clear();
    Key& root = g_registry.keys[kRoot];
    root.children.clear();
    root.denyOpen = false;
    g_registry.used = 1;
    std::fill(g_registry.table.begin(), g_registry.table.end(), kNone);
    g_registry.tableEntries = 0;
    g_registry.open.clear();
    g_registry.lastParent = kNone;
}

int EmuRegCreateKey(const std::u16string& path) { return CreateKey(path); }

int EmuRegCreateKeyAt(int key, std::u16string_view subPath) {
    size_t at = 0;
    for (std::u16string_view part = NextPart(subPath, at); !part.empty(); part = NextPart(subPath, at))
        key = ChildOrNew(key, part);
    return key;
}

void EmuRegSetValue(const std::u16string& path, const std::u16string& name, DWORD type, const std::vector<BYTE>& data) {
    EmuRegSetValueAt(CreateKey(path), name, type, data);
}

void EmuRegSetValueAt(int key, const std::u16string& name, DWORD type, const std::vector<BYTE>& data) {
    if (Value* value = FindValue(key, name)) {
        value->type = type;
        value->data = data;
        return;
    }
    g_registry.keys[key].values.push_back(Value{name, type, data});
}

std::vector<BYTE> EmuRegStringBytes(const std::u16string& text) {
    std::vector<BYTE> data;
    for (char16_t c : text + u'\0') {
        data.push_back(static_cast<BYTE>(c & 0xFF));
        data.push_back(static_cast<BYTE>(c >> 8));
    }
    return data;
}

void EmuRegSetString(const std::u16string& path, const std::u16string& name, const std::u16string& text) {
    EmuRegSetValue(path, name, REG_SZ, EmuRegStringBytes(text));
}

void EmuRegSetDword(const std::u16string& path, const std::u16string& name, DWORD value) {
    std::vector<BYTE> data;
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<BYTE>(value >> (8 * i)));
    EmuRegSetValue(path, name, REG_DWORD, data);
}

void EmuRegDenyOpen(const std::u16string& path) { EmuRegDenyOpenAt(CreateKey(path)); }

void EmuRegDenyOpenAt(int key) { g_registry.keys[key].denyOpen = true; }

void EmuRegDeleteKey(const std::u16string& path) {
    int key = FindKey(path);
    if (key == kNone || key == kRoot) return;
    Key& parent = g_registry.keys[g_registry.keys[key].parent];
    std::erase(parent.children, key);
    g_registry.lastParent = kNone;
    MarkDeleted(key);
}

void EmuRegDeleteValue(const std::u16string& path, const std::u16string& name) {
    int key = FindKey(path);
    if (key == kNone) return;
    std::erase_if(g_registry.keys[key].values, [&](const Value& v) { return SameName(v.name, name); });
}

bool EmuRegKeyExists(const std::u16string& path) { return FindKey(path) != kNone; }

std::vector<std::u16string> EmuRegSubkeys(const std::u16string& path) {
    std::vector<std::u16string> names;
    int key = FindKey(path);
    if (key != kNone)
        for (int child : g_registry.keys[key].children)
            names.push_back(g_registry.keys[child].name);
    return names;
}

bool EmuRegGetValue(const std::u16string& path, const std::u16string& name, DWORD* type, std::vector<BYTE>* data) {
    int key = FindKey(path);
    const Value* value = key == kNone ? nullptr : FindValue(key, name);
    if (value == nullptr) return false;
    if (type) *type = value->type;
    if (data) *data = value->data;
    return true;
}

int EmuRegOpenKeyCount() { return static_cast<int>(g_registry.open.size()); }

LONG RegOpenKeyExW(HKEY parent, const WCHAR* subKey, DWORD options, DWORD, HKEY* result) {
    if (result == nullptr || options != 0) return ERROR_INVALID_PARAMETER;
    int from = KeyOfHandle(parent);
    if (from == kNone) return ERROR_INVALID_HANDLE;
    int key = FollowRegistryPath(from, subKey, ChildOf);
    if (key < 0) return ERROR_FILE_NOT_FOUND;
    if (g_registry.keys[key].denyOpen) return ERROR_ACCESS_DENIED;
    HKEY handle = g_registry.nextHandle++;
    g_registry.open.emplace_back(handle, key);
    *result = handle;
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExW(HKEY handle, DWORD index, WCHAR* name, DWORD* nameChars) {
    int key = KeyOfHandle(handle);
    if (key == kNone) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameChars == nullptr) return ERROR_INVALID_PARAMETER;
    const auto& children = g_registry.keys[key].children;
    if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
    const std::u16string& childName = g_registry.keys[children[index]].name;
    if (childName.size() + 1 > *nameChars) return ERROR_MORE_DATA;
    childName.copy(name, childName.size());
    name[childName.size()] = 0;
    *nameChars = static_cast<DWORD>(childName.size());
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY handle, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes) {
    int key = KeyOfHandle(handle);
    if (key == kNone) return ERROR_INVALID_HANDLE;
    if (data != nullptr && dataBytes == nullptr) return ERROR_INVALID_PARAMETER;
    const Value* value = FindValue(key, valueName ? valueName : u"");
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type) *type = value->type;
    DWORD size = static_cast<DWORD>(value->data.size());
    if (data != nullptr && size > *dataBytes) {
        // The handheld leaves the buffer undefined; make that visible.
        for (DWORD i = 0; i < *dataBytes; ++i)
            data[i] = 0xAB;
        *dataBytes = size;
        return ERROR_MORE_DATA;
    }
    if (data != nullptr) std::copy(value->data.begin(), value->data.end(), data);
    if (dataBytes) *dataBytes = size;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    if (std::erase_if(g_registry.open, [handle](const auto& o) { return o.first == handle; }) == 0)
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}
