// Implements platform/registry.h on the emulated handheld.
#include "platform/emulated/emu_registry.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>

#include "platform/common/registry_path.h"
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
    std::vector<Value> values;
    std::vector<int> children;             // in order of creation
    std::unordered_map<std::u16string, int> byName;  // folded name -> child, for large keys
    int parent = kNone;
    bool denyOpen = false;
    bool deleted = false;
};

struct RegistryState {
    std::vector<Key> keys = std::vector<Key>(1);  // keys[kRoot] is HKEY_LOCAL_MACHINE
    std::vector<std::pair<HKEY, int>> open;       // handle -> key; a few at a time, so searched in turn
    // Outlives resets so that a handle from before a reset stays unknown.
    HKEY nextHandle = 0x1000;
};

RegistryState g_registry;

// Names match without regard to case, as in WCompareNoCase.
char16_t FoldChar(char16_t c) { return WFoldCase(c); }

std::u16string Fold(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded) c = FoldChar(c);
    return folded;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    return true;
}

// Lookups fold into one kept buffer: fuzzers walk thousands of paths a second.
int FindChild(int parent, std::u16string_view name) {
    static std::u16string folded;
    folded.assign(name);
    for (char16_t& c : folded) c = FoldChar(c);
    const auto& byName = g_registry.keys[parent].byName;
    auto it = byName.find(folded);
    return it == byName.end() ? kNone : it->second;
}

// The next non-empty component of `path` from `at` on; empty at the end.
std::u16string_view NextPart(std::u16string_view path, size_t& at) {
    while (at < path.size() && path[at] == u'\\') ++at;
    size_t start = at;
    while (at < path.size() && path[at] != u'\\') ++at;
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

int CreateKey(std::u16string_view path) {
    int key = kRoot;
    size_t at = 0;
    for (std::u16string_view part = NextPart(path, at); !part.empty(); part = NextPart(path, at)) {
        int child = FindChild(key, part);
        if (child == kNone) {
            child = static_cast<int>(g_registry.keys.size());
            Key created;
            created.name = part;
            created.parent = key;
            g_registry.keys.push_back(std::move(created));
            g_registry.keys[key].children.push_back(child);
            g_registry.keys[key].byName[Fold(part)] = child;
        }
        key = child;
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
    for (int child : g_registry.keys[key].children) MarkDeleted(child);
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

// The stores keep their storage: fuzzers reset thousands of times a second.
void EmuResetRegistry() {
    g_registry.keys.resize(1);
    g_registry.keys[kRoot] = Key();
    g_registry.open.clear();
}

void EmuRegCreateKey(const std::u16string& path) { CreateKey(path); }

void EmuRegSetValue(const std::u16string& path, const std::u16string& name, DWORD type,
                    const std::vector<BYTE>& data) {
    int key = CreateKey(path);
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
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<BYTE>(value >> (8 * i)));
    EmuRegSetValue(path, name, REG_DWORD, data);
}

void EmuRegDenyOpen(const std::u16string& path) { g_registry.keys[CreateKey(path)].denyOpen = true; }

void EmuRegDeleteKey(const std::u16string& path) {
    int key = FindKey(path);
    if (key == kNone || key == kRoot) return;
    Key& parent = g_registry.keys[g_registry.keys[key].parent];
    std::erase(parent.children, key);
    parent.byName.erase(Fold(g_registry.keys[key].name));
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
        for (int child : g_registry.keys[key].children) names.push_back(g_registry.keys[child].name);
    return names;
}

bool EmuRegGetValue(const std::u16string& path, const std::u16string& name, DWORD* type,
                    std::vector<BYTE>* data) {
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
        for (DWORD i = 0; i < *dataBytes; ++i) data[i] = 0xAB;
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
