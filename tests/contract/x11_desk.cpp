// The X server's desk for the window suite (Xvfb with a window manager,
// through tests/x11/with-x): FLTK's loop with a time-out.
#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>

#include "platform/fltk/dialog.h"
#include "tests/contract/desk.h"

namespace {
constexpr double kGenerousSeconds = 10.0;
bool g_gaveUp = false;
}  // namespace

bool OpenDesk() {
    fl_open_display();
    return fl_display != nullptr;
}

void CloseDesk() { FltkDestroyDialog(); }

bool NextMessage(MSG* message) {
    auto giveUp = [](void*) {
        g_gaveUp = true;
        PostMessageW(FltkDialogWindow(), 0, 0, 0);
    };
    g_gaveUp = false;
    Fl::add_timeout(kGenerousSeconds, giveUp);
    bool got = GetMessageW(message, 0, 0, 0) != 0;
    Fl::remove_timeout(giveUp);
    return got && !g_gaveUp;
}

bool WaitFor(const std::function<bool()>& condition) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kGenerousSeconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Fl::wait(0.02);
    }
    return true;
}
