// A read-only registry held in fixed tables, for the backends that build
// their registry view from what the machine shows: the backend fills the tree,
// the tree answers the calls of platform/registry.h.
#pragma once

#include "platform/registry.h"

constexpr int REGISTRY_TREE_MAX_KEYS = 600;
constexpr int REGISTRY_TREE_MAX_VALUES = 64;
constexpr int REGISTRY_TREE_KEY_CHARS = 40;  // a key's name and its terminator
constexpr int REGISTRY_TREE_VALUE_NAME_CHARS = 16;
constexpr int REGISTRY_TREE_ROOT = 0;  // HKEY_LOCAL_MACHINE

// Empties the tree down to its root.
void ClearRegistryTree();

// A new key below `parent`; -1 when the tree is full.
int AddRegistryKey(int parent, const WCHAR* name);

// A REG_SZ or REG_DWORD value of `key`; dropped when the tree is full.
void AddRegistryText(int key, const WCHAR* name, const WCHAR* text);
void AddRegistryNumber(int key, const WCHAR* name, DWORD number);

// The child of `parent` named by `length` characters at `name` (without
// regard to case), or -1.
int RegistryChild(int parent, const WCHAR* name, int length);

// The four registry calls on the tree. `fill` builds it anew when a key is
// opened below the root while no other key is open, so an open key never
// sees the tree change under it.
LONG OpenRegistryTreeKey(HKEY parent, const WCHAR* subKey, DWORD options, HKEY* result, void (*fill)());
LONG EnumRegistryTreeKey(HKEY key, DWORD index, WCHAR* name, DWORD* nameChars);
LONG QueryRegistryTreeValue(HKEY key, const WCHAR* valueName, DWORD* type, BYTE* data, DWORD* dataBytes);
LONG CloseRegistryTreeKey(HKEY key);

// Fills the emptied tree with the machine's view. Defined by each backend
// that builds registry_tree_calls.cpp, whose four registry calls pass it to
// OpenRegistryTreeKey.
void BuildRegistryTree();
