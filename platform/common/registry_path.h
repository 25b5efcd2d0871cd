// The path rule of platform/registry.h, for every registry a backend keeps.
#pragma once

#include "platform/types.h"

// The child of `parent` named by `length` characters at `name` (compared
// without regard to case), or -1.
using RegistryChildFinder = int (*)(int parent, const WCHAR* name, int length);

// The key that `path` names below `key`, component by component through
// `child`, or -1: an empty or null path names `key` itself, one trailing
// backslash is ignored, and any other empty component (a leading or doubled
// backslash) names no key.
int FollowRegistryPath(int key, const WCHAR* path, RegistryChildFinder child);
