// KWin's screen for the display and keyboard suites (a headless KWin,
// through tests/kde/with-kwin, which authorises this test's fake input so
// that the KDE desktop is chosen). No on-screen keyboard is installed there.
#include "platform/linux/desktop.h"
#include "tests/contract/screen.h"

std::vector<Screen> Screens() { return {{"kwin", DesktopOpen, DesktopClose, false, false, nullptr}}; }
