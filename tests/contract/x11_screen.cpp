// The X server's screen for the display and keyboard suites (Xvfb, through
// tests/x11/with-x), with xvkbd as the on-screen keyboard where installed.
#include <unistd.h>

#include "platform/x11/desktop.h"
#include "tests/contract/screen.h"

namespace {
bool Open() { return X11DesktopOpen(nullptr); }
void Close() { X11DesktopClose(); }
}  // namespace

std::vector<Screen> Screens() { return {{"x_server", Open, Close, access("/usr/bin/xvkbd", X_OK) == 0}}; }
