// The compositor's screen for the display and keyboard suites (a headless
// sway, through tests/wayland/with-sway), with wvkbd as the on-screen
// keyboard where installed. wvkbd is a layer surface, no window of its own.
#include <unistd.h>

#include "platform/linux/desktop.h"
#include "tests/contract/screen.h"

std::vector<Screen> Screens() {
    return {{"sway", DesktopOpen, DesktopClose, access("/usr/bin/wvkbd-mobintl", X_OK) == 0, false, nullptr}};
}
