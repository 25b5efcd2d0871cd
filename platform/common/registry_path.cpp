// Implements platform/common/registry_path.h.
#include "platform/common/registry_path.h"

int FollowRegistryPath(int key, const WCHAR* path, RegistryChildFinder child) {
    if (path == nullptr || *path == 0) return key;
    for (const WCHAR* part = path;;) {
        const WCHAR* end = part;
        while (*end != 0 && *end != u'\\')
            ++end;
        if (end == part) return *end == 0 && part != path ? key : -1;
        key = child(key, part, static_cast<int>(end - part));
        if (key < 0 || *end == 0) return key;
        part = end + 1;
    }
}
