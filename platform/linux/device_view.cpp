// Implements platform/linux/device_view.h: COM names for the machine's serial lines.
#include "platform/linux/device_view.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// More candidates than indexes: only the first ten in name order are named.
constexpr int kMaxCandidates = 64;
constexpr int kNameChars = 32;

struct Claim {
    int socket = -1;  // -1 where unclaimed
    char description[kNameChars] = "";
};

struct Identity {
    dev_t dev;
    ino_t ino;
};

struct ScanState {
    ViewPort byIndex[VIEW_MAX_PORTS];
    bool taken[VIEW_MAX_PORTS];
    bool listed[VIEW_MAX_PORTS];
    Identity seenIds[VIEW_MAX_PORTS];  // lines already named by a link
    int seenCount;
};

struct DeviceViewState {
    char sysRoot[VIEW_PATH_CHARS] = "/sys";
    char devRoot[VIEW_PATH_CHARS] = "/dev";
    Claim claimed[VIEW_MAX_PORTS];
    // Kept here rather than on the stack of every lookup.
    ScanState scan;
    ViewPort found[VIEW_MAX_PORTS];
};
DeviceViewState g_view;

bool JoinPath(char* out, size_t capacity, const char* a, const char* b) {
    int n = snprintf(out, capacity, "%s/%s", a, b);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

bool CopyText(char* out, size_t capacity, const char* text) {
    size_t len = strlen(text);
    if (len >= capacity) return false;
    memcpy(out, text, len + 1);
    return true;
}

// "com0" ... "com9" exactly; -1 for anything else.
int AttachedIndex(const char* name) {
    if (strncmp(name, "com", 3) != 0 || name[3] < '0' || name[3] > '9' || name[4] != '\0') return -1;
    return name[3] - '0';
}

// What the user sees after the COM name: where the entry points.
void DescribeAttached(const char* path, const char* entryName, char* out) {
    char target[PATH_MAX];
    ssize_t len = readlink(path, target, sizeof target - 1);
    bool described = false;
    if (len > 0) {
        target[len] = '\0';
        if (target[0] == '/')
            described = CopyText(out, VIEW_PATH_CHARS, target);
        else if (realpath(path, target) != nullptr)
            described = CopyText(out, VIEW_PATH_CHARS, target);
    }
    if (!described) CopyText(out, VIEW_PATH_CHARS, entryName);
    // A backslash would split the description where the port list looks for the last one.
    for (char* c = out; *c != '\0'; ++c)
        if (*c == '\\') *c = '/';
}

void ScanClaimed(ScanState& s) {
    for (int index = 0; index < VIEW_MAX_PORTS; ++index) {
        if (g_view.claimed[index].socket < 0) continue;
        ViewPort& port = s.byIndex[index];
        port.index = index;
        port.hostPath[0] = '\0';
        port.socket = g_view.claimed[index].socket;
        port.attached = false;
        CopyText(port.description, sizeof port.description, g_view.claimed[index].description);
        s.taken[index] = s.listed[index] = true;
    }
}

void ScanAttached(ScanState& s) {
    char folder[VIEW_PATH_CHARS];
    if (!GetDevicesFolder(folder, sizeof folder)) return;
    DIR* dir = opendir(folder);
    if (dir == nullptr) return;
    while (dirent* entry = readdir(dir)) {
        int index = AttachedIndex(entry->d_name);
        if (index < 0 || g_view.claimed[index].socket >= 0) continue;
        s.taken[index] = true;
        ViewPort& port = s.byIndex[index];
        struct stat st;
        if (!JoinPath(port.hostPath, sizeof port.hostPath, folder, entry->d_name) || stat(port.hostPath, &st) != 0)
            continue;
        port.index = index;
        port.socket = -1;
        port.attached = true;
        DescribeAttached(port.hostPath, entry->d_name, port.description);
        s.listed[index] = true;
        s.seenIds[s.seenCount++] = Identity{st.st_dev, st.st_ino};
    }
    closedir(dir);
}

bool ReadSmallFile(const char* path, char* out, size_t capacity) {
    FILE* f = fopen(path, "re");
    if (f == nullptr) return false;
    size_t n = fread(out, 1, capacity - 1, f);
    fclose(f);
    out[n] = '\0';
    return true;
}

// A tty with hardware behind it: sysfs links it to a device, and a serial-core
// port says which UART it is (type 0: nothing there, as with most ttyS).
bool IsRealLine(const char* name) {
    if (strncmp(name, "rfcomm", 6) == 0) return true;
    char path[VIEW_PATH_CHARS + 64];
    struct stat st;
    snprintf(path, sizeof path, "%s/class/tty/%s/device", g_view.sysRoot, name);
    if (lstat(path, &st) != 0) return false;
    snprintf(path, sizeof path, "%s/class/tty/%s/type", g_view.sysRoot, name);
    char type[16];
    if (!ReadSmallFile(path, type, sizeof type)) return true;
    return atoi(type) != 0;
}

// Orders ttyUSB2 before ttyUSB10: the text before the trailing number, then the number.
int CompareDeviceNames(const char* a, const char* b) {
    size_t la = strlen(a), lb = strlen(b);
    size_t da = la, db = lb;
    while (da > 0 && a[da - 1] >= '0' && a[da - 1] <= '9')
        --da;
    while (db > 0 && b[db - 1] >= '0' && b[db - 1] <= '9')
        --db;
    int stem = strncmp(a, b, da < db ? da : db);
    if (stem != 0) return stem;
    if (da != db) return da < db ? -1 : 1;
    if (la - da != lb - db) return la - da < lb - db ? -1 : 1;
    return strcmp(a, b);
}

int CollectRealLines(char names[kMaxCandidates][kNameChars]) {
    char path[VIEW_PATH_CHARS + 16];
    snprintf(path, sizeof path, "%s/class/tty", g_view.sysRoot);
    DIR* dir = opendir(path);
    if (dir == nullptr) return 0;
    int count = 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || strlen(entry->d_name) >= kNameChars || !IsRealLine(entry->d_name)) continue;
        if (count == kMaxCandidates) break;
        strcpy(names[count++], entry->d_name);
    }
    closedir(dir);
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && CompareDeviceNames(names[j - 1], names[j]) > 0; --j) {
            char tmp[kNameChars];
            strcpy(tmp, names[j]);
            strcpy(names[j], names[j - 1]);
            strcpy(names[j - 1], tmp);
        }
    return count;
}

bool NamedAlready(const ScanState& s, const struct stat& st) {
    for (int i = 0; i < s.seenCount; ++i)
        if (s.seenIds[i].dev == st.st_dev && s.seenIds[i].ino == st.st_ino) return true;
    return false;
}

void ScanReal(ScanState& s) {
    char names[kMaxCandidates][kNameChars];
    int count = CollectRealLines(names);
    int next = 0;
    for (int i = 0; i < count; ++i) {
        char devPath[VIEW_PATH_CHARS];
        struct stat st;
        if (!JoinPath(devPath, sizeof devPath, g_view.devRoot, names[i]) || stat(devPath, &st) != 0) continue;
        if (NamedAlready(s, st)) continue;
        while (next < VIEW_MAX_PORTS && s.taken[next])
            ++next;
        if (next == VIEW_MAX_PORTS) return;
        ViewPort& port = s.byIndex[next];
        port.index = next;
        port.socket = -1;
        port.attached = false;
        CopyText(port.hostPath, sizeof port.hostPath, devPath);
        CopyText(port.description, sizeof port.description, names[i]);
        s.taken[next] = s.listed[next] = true;
    }
}

}  // namespace

bool GetDevicesFolder(char* path, size_t capacity) {
    const char* xdg = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    int n;
    // Relative XDG paths are to be ignored.
    if (xdg != nullptr && xdg[0] == '/')
        n = snprintf(path, capacity, "%s/tastra/devices", xdg);
    else if (home != nullptr && home[0] != '\0')
        n = snprintf(path, capacity, "%s/.config/tastra/devices", home);
    else
        return false;
    return n > 0 && static_cast<size_t>(n) < capacity;
}

int ScanDeviceView(ViewPort ports[VIEW_MAX_PORTS]) {
    ScanState& s = g_view.scan;
    memset(&s, 0, sizeof s);
    ScanClaimed(s);
    ScanAttached(s);
    ScanReal(s);
    int count = 0;
    for (int i = 0; i < VIEW_MAX_PORTS; ++i)
        if (s.listed[i]) ports[count++] = s.byIndex[i];
    return count;
}

bool FindViewPort(const WCHAR* deviceName, ViewPort* port) {
    if (deviceName == nullptr) return false;
    const WCHAR* n = deviceName;
    bool isCom = (n[0] | 0x20) == 'c' && (n[1] | 0x20) == 'o' && (n[2] | 0x20) == 'm';
    if (!isCom || n[3] < '0' || n[3] > '9' || n[4] != ':' || n[5] != 0) return false;
    ViewPort* ports = g_view.found;
    int count = ScanDeviceView(ports);
    for (int i = 0; i < count; ++i)
        if (ports[i].index == n[3] - '0') {
            if (port != nullptr) *port = ports[i];
            return true;
        }
    return false;
}

bool ClaimViewSocket(int index, int socket, const char* description) {
    if (index < 0 || index >= VIEW_MAX_PORTS || g_view.claimed[index].socket >= 0 || socket < 0) return false;
    if (!CopyText(g_view.claimed[index].description, kNameChars, description)) return false;
    g_view.claimed[index].socket = socket;
    return true;
}

void ReleaseViewIndex(int index) {
    if (index >= 0 && index < VIEW_MAX_PORTS) g_view.claimed[index].socket = -1;
}

bool RfcommTtyBoundTo(const char* address) {
    char path[VIEW_PATH_CHARS + 300];
    snprintf(path, sizeof path, "%s/class/tty", g_view.sysRoot);
    DIR* dir = opendir(path);
    if (dir == nullptr) return false;
    bool bound = false;
    while (dirent* entry = readdir(dir)) {
        if (strncmp(entry->d_name, "rfcomm", 6) != 0) continue;
        // The kernel's rfcomm ttys tell their remote device in sysfs.
        char remote[32];
        snprintf(path, sizeof path, "%s/class/tty/%s/address", g_view.sysRoot, entry->d_name);
        if (!ReadSmallFile(path, remote, sizeof remote)) continue;
        remote[strcspn(remote, "\n")] = 0;
        if (strcasecmp(remote, address) == 0) bound = true;
    }
    closedir(dir);
    return bound;
}

void UseDeviceViewRoots(const char* sysRoot, const char* devRoot) {
    if (sysRoot == nullptr || !CopyText(g_view.sysRoot, sizeof g_view.sysRoot, sysRoot)) strcpy(g_view.sysRoot, "/sys");
    if (devRoot == nullptr || !CopyText(g_view.devRoot, sizeof g_view.devRoot, devRoot)) strcpy(g_view.devRoot, "/dev");
}
