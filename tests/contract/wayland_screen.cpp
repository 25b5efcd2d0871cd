// The compositor's screen for the display and keyboard suites (a headless
// sway, through tests/wayland/with-sway). Its keyboard, wvkbd, is left out:
// it ends when signalled before it catches its signals, which the wayland
// sip service does not wait for yet.
#include "platform/linux/desktop.h"
#include "tests/contract/screen.h"

std::vector<Screen> Screens() { return {{"sway", DesktopOpen, DesktopClose, false, false, nullptr}}; }
