// Implements KdeChangeDisplaySettings and KdeSipInfo of
// platform/kde/kde_desktop.h. The screen is not turned here (KWin's output
// management, kde_output_management_v2, is not used yet), so the capability
// test says so. The on-screen keyboard is KWin's own
// (org.kde.kwin.VirtualKeyboard), there when an input method is installed.
#include <sdbus-c++/sdbus-c++.h>

#include <chrono>

#include "platform/common/settings_change.h"
#include "platform/display.h"
#include "platform/kde/kde_desktop.h"
#include "platform/kde/kde_internal.h"
#include "platform/sip.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

namespace {

constexpr const char* KEYBOARD_INTERFACE = "org.kde.kwin.VirtualKeyboard";
constexpr int ANSWER_TIMEOUT_MS = 1000;

bool Property(const char* name, bool* value) {
    sdbus::IConnection* bus = KdeBus();
    if (bus == nullptr) return false;
    try {
        auto keyboard = sdbus::createProxy(*bus, "org.kde.KWin", "/VirtualKeyboard");
        sdbus::Variant answer;
        keyboard->callMethod("Get")
            .onInterface("org.freedesktop.DBus.Properties")
            .withTimeout(std::chrono::milliseconds(ANSWER_TIMEOUT_MS))
            .withArguments(std::string(KEYBOARD_INTERFACE), std::string(name))
            .storeResultsTo(answer);
        *value = answer.get<bool>();
        return true;
    } catch (const sdbus::Error&) {
        return false;
    }
}

bool SetActive(bool active) {
    sdbus::IConnection* bus = KdeBus();
    if (bus == nullptr) return false;
    try {
        auto keyboard = sdbus::createProxy(*bus, "org.kde.KWin", "/VirtualKeyboard");
        keyboard->callMethod("Set")
            .onInterface("org.freedesktop.DBus.Properties")
            .withTimeout(std::chrono::milliseconds(ANSWER_TIMEOUT_MS))
            .withArguments(std::string(KEYBOARD_INTERFACE), std::string("active"), sdbus::Variant(active));
        return true;
    } catch (const sdbus::Error&) {
        return false;
    }
}

}  // namespace

LONG KdeChangeDisplaySettings(DEVMODEW* mode, DWORD flags) {
    if (mode == nullptr || mode->dmSize != sizeof(DEVMODEW)) return DISP_CHANGE_FAILED;
    if (mode->dmFields == DM_DISPLAYQUERYORIENTATION && flags == CDS_TEST) {
        mode->dmDisplayOrientation = 0;
        return DISP_CHANGE_BADMODE;
    }
    if (mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_TEST) {
        mode->dmDisplayOrientation = DMDO_0;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_RESET && mode->dmDisplayOrientation == DMDO_0) {
        AnnounceSettingChange();
        return DISP_CHANGE_SUCCESSFUL;
    }
    return DISP_CHANGE_BADMODE;
}

// Where the keyboard sits is KWin's to decide, and KWin moves the focused
// window out of its way: the record tells the whole screen as free.
BOOL KdeSipInfo(UINT action, void* info) {
    SIPINFO* record = static_cast<SIPINFO*>(info);
    bool available = false, active = false;
    if (record == nullptr || record->cbSize != sizeof(SIPINFO) || !Property("available", &available)) return FALSE;
    if (action == SPI_SETSIPINFO) return available && SetActive((record->fdwFlags & SIPF_ON) != 0) ? TRUE : FALSE;
    if (action != SPI_GETSIPINFO) return FALSE;
    Property("active", &active);
    record->fdwFlags = available && active ? SIPF_ON : 0;
    RECT screen{0, 0, 0, 0};
    X11RootGeometry(X11RootWindow(), &screen);
    record->rcVisibleDesktop = screen;
    record->rcSipRect = RECT{0, 0, 0, 0};
    record->dwImDataSize = 0;
    record->pvImData = 0;
    return TRUE;
}
