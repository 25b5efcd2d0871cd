// The compositor's screen for the display and keyboard suites (a headless
// sway, through tests/wayland/with-sway), with wvkbd where installed.
#include <unistd.h>

#include "platform/linux/desktop.h"
#include "tests/contract/screen.h"

std::vector<Screen> Screens() {
    return {{"sway", DesktopOpen, DesktopClose, access("/usr/bin/wvkbd-mobintl", X_OK) == 0}};
}
