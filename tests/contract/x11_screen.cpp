// The X server's screen for the display suite (Xvfb, through tests/x11/with-x).
#include "platform/x11/desktop.h"
#include "tests/contract/screen.h"

std::vector<Screen> Screens() {
    return {{"x_server", [] { return X11DesktopOpen(nullptr); }, [] { X11DesktopClose(); }}};
}
