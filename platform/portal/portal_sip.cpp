// Implements PortalSipInfo of platform/portal/portal_desktop.h (platform/sip.h
// on GNOME): GNOME's own screen keyboard, turned on and off through its
// setting. Once on, GNOME shows it whenever a text field has the focus; it
// has no lock and tells no size, so the whole screen counts as visible.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>

#include "platform/portal/portal_desktop.h"
#include "platform/sip.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

extern char** environ;

namespace {

const char kSchema[] = "org.gnome.desktop.a11y.applications";
const char kKey[] = "screen-keyboard-enabled";

// -1 when GSettings cannot say.
int Enabled() {
    char command[160];
    std::snprintf(command, sizeof command, "gsettings get %s %s 2>/dev/null", kSchema, kKey);
    FILE* gsettings = popen(command, "r");
    if (gsettings == nullptr) return -1;
    char answer[16] = {};
    bool read = std::fgets(answer, sizeof answer, gsettings) != nullptr;
    int status = pclose(gsettings);
    if (!read || status != 0) return -1;
    return std::strncmp(answer, "true", 4) == 0 ? 1 : std::strncmp(answer, "false", 5) == 0 ? 0 : -1;
}

bool SetEnabled(bool on) {
    char program[] = "gsettings", set[] = "set", schema[sizeof kSchema], key[sizeof kKey];
    char value[8];
    std::memcpy(schema, kSchema, sizeof kSchema);
    std::memcpy(key, kKey, sizeof kKey);
    std::snprintf(value, sizeof value, "%s", on ? "true" : "false");
    char* argv[] = {program, set, schema, key, value, nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void SetLater(long on, long) { SetEnabled(on != 0); }

}  // namespace

BOOL PortalSipInfo(UINT action, void* info) {
    SIPINFO* record = static_cast<SIPINFO*>(info);
    if (record == nullptr || record->cbSize != sizeof(SIPINFO)) return FALSE;
    if (action == SPI_GETSIPINFO) {
        int enabled = Enabled();
        RECT screen{0, 0, 0, 0};
        if (enabled < 0 || !X11RootGeometry(X11RootWindow(), &screen)) return FALSE;
        record->fdwFlags = enabled == 1 ? SIPF_ON : 0;
        record->rcVisibleDesktop = screen;
        record->rcSipRect = RECT{0, 0, 0, 0};
        record->dwImDataSize = 0;
        record->pvImData = 0;
        return TRUE;
    }
    if (action != SPI_SETSIPINFO) return FALSE;
    bool on = (record->fdwFlags & SIPF_ON) != 0;
    // Keys typed before the keyboard comes or goes come first.
    if (PortalKeysWaiting() > 0) {
        PortalAfterWaitingKeys(SetLater, on, 0);
        return TRUE;
    }
    return SetEnabled(on) ? TRUE : FALSE;
}
