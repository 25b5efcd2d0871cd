// The four calls of platform/registry.h answered from the registry tree, for
// the backends whose registry view is such a tree.
#include "platform/common/registry_tree.h"

LONG RegOpenKeyExW(HKEY parent, const WCHAR* subKey, DWORD options, DWORD, HKEY* result) {
    return OpenRegistryTreeKey(parent, subKey, options, result, BuildRegistryTree);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, WCHAR* name, DWORD* nameChars) {
    return EnumRegistryTreeKey(key, index, name, nameChars);
}

LONG RegQueryValueExW(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes) {
    return QueryRegistryTreeValue(key, valueName, type, data, dataBytes);
}

LONG RegCloseKey(HKEY key) { return CloseRegistryTreeKey(key); }
