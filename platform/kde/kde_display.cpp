// Implements KdeSipInfo of platform/kde/kde_desktop.h: KWin's own on-screen
// keyboard (org.kde.kwin.VirtualKeyboard), there when an input method is
// installed.
#include <sdbus-c++/sdbus-c++.h>

#include <chrono>

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
