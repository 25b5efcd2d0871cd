// Implements the program's start code on X11: opens the display, then runs WinMain.
#include <FL/Fl.H>
#include <FL/x.H>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/resources.h"
#include "platform/window.h"
#include "platform/x11/shutdown.h"

int main() {
    // Keyboard input methods need the user's character set.
    std::setlocale(LC_CTYPE, "");
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "tastra: cannot open the X display \"%s\"; start it on a desktop session.\n",
                     name ? name : "");
        return 1;
    }
    fl_open_display(display);
    InstallShutdownHandlers();
    return WinMain(&g_moduleResources, nullptr, u"", SW_SHOW);
}
