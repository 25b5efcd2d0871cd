// Implements platform/bluetooth.h: the radio as the kernel shows it in sysfs.
//
// Without an adapter there is no radio mode to report, so the query fails.
// Switching the radio needs BlueZ, which this backend does not drive yet.
#include <dirent.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/bluetooth.h"
#include "platform/x11/device_view.h"

namespace {

constexpr int kNoRadio = 1;
constexpr int kCannotSwitch = 2;

bool HasAdapter() {
    char path[VIEW_PATH_CHARS + 32];
    snprintf(path, sizeof path, "%s/class/bluetooth", DeviceViewSysRoot());
    DIR* dir = opendir(path);
    if (dir == nullptr) return false;
    bool found = false;
    while (dirent* entry = readdir(dir))
        if (strncmp(entry->d_name, "hci", 3) == 0) found = true;
    closedir(dir);
    return found;
}

int ReadFlag(const char* dir, const char* name) {
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    FILE* f = fopen(path, "re");
    if (f == nullptr) return -1;
    char text[16] = {};
    size_t n = fread(text, 1, sizeof text - 1, f);
    fclose(f);
    return n > 0 ? atoi(text) : -1;
}

// An rfkill switch of type bluetooth that blocks the radio, softly or by hardware.
bool RadioBlocked() {
    char path[VIEW_PATH_CHARS + 32];
    snprintf(path, sizeof path, "%s/class/rfkill", DeviceViewSysRoot());
    DIR* dir = opendir(path);
    if (dir == nullptr) return false;
    bool blocked = false;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        char sw[PATH_MAX / 2], type[16] = {};
        snprintf(sw, sizeof sw, "%s/%s", path, entry->d_name);
        char typePath[PATH_MAX];
        snprintf(typePath, sizeof typePath, "%s/type", sw);
        FILE* f = fopen(typePath, "re");
        if (f == nullptr) continue;
        size_t n = fread(type, 1, sizeof type - 1, f);
        fclose(f);
        type[n] = '\0';
        if (strncmp(type, "bluetooth", 9) == 0 && (ReadFlag(sw, "soft") == 1 || ReadFlag(sw, "hard") == 1))
            blocked = true;
    }
    closedir(dir);
    return blocked;
}

}  // namespace

int BthGetMode(DWORD* mode) {
    if (mode == nullptr || !HasAdapter()) return kNoRadio;
    *mode = RadioBlocked() ? BTH_POWER_OFF : BTH_CONNECTABLE;
    return 0;
}

int BthSetMode(DWORD) { return HasAdapter() ? kCannotSwitch : kNoRadio; }
