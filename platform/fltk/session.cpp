// Implements platform/session.h for the FLTK dialog on an X display.
#include "platform/session.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/fltk/shutdown.h"

bool OpenSession() {
    // Keyboard input methods need the user's character set.
    std::setlocale(LC_CTYPE, "");
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "tastra: cannot open the X display \"%s\"; start it on a desktop session.\n",
                     name ? name : "");
        return false;
    }
    fl_open_display(display);
    InstallShutdownHandlers();
    return true;
}
