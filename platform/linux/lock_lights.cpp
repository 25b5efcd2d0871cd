// Implements platform/linux/lock_lights.h by reading
// /sys/class/leds/*::capslock/brightness.
#include "platform/linux/lock_lights.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>

namespace {

struct LockLights {
    char root[256] = "/sys";
};
LockLights g_lights;

bool EndsWith(const char* text, const char* end) {
    size_t length = std::strlen(text), endLength = std::strlen(end);
    return length >= endLength && std::strcmp(text + length - endLength, end) == 0;
}

}  // namespace

LockLight CapsLockLight() {
    char folder[320];
    std::snprintf(folder, sizeof folder, "%s/class/leds", g_lights.root);
    DIR* leds = opendir(folder);
    if (leds == nullptr) return LockLight::NONE;
    LockLight light = LockLight::NONE;
    while (dirent* entry = readdir(leds)) {
        if (!EndsWith(entry->d_name, "::capslock")) continue;
        char path[640];
        std::snprintf(path, sizeof path, "%s/%s/brightness", folder, entry->d_name);
        FILE* file = std::fopen(path, "r");
        if (file == nullptr) continue;
        int brightness = 0;
        bool read = std::fscanf(file, "%d", &brightness) == 1;
        std::fclose(file);
        if (!read) continue;
        if (brightness > 0) light = LockLight::LIT;
        if (light == LockLight::NONE) light = LockLight::DARK;
    }
    closedir(leds);
    return light;
}

void UseLockLightRoot(const char* sysRoot) {
    std::snprintf(g_lights.root, sizeof g_lights.root, "%s", sysRoot != nullptr ? sysRoot : "/sys");
}
