// Implements platform/session.h for the FLTK dialog on an X display.
#include "platform/session.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/fltk/shutdown.h"

namespace {

// The atoms FLTK interns one round trip each as it opens the display. Asked
// for here in one batch, they are answered there from Xlib's atom cache.
const char* const kToolkitAtoms[] = {"WM_DELETE_WINDOW",
                                     "WM_PROTOCOLS",
                                     "_MOTIF_WM_HINTS",
                                     "TARGETS",
                                     "CLIPBOARD",
                                     "TIMESTAMP",
                                     "PRIMARY_TIMESTAMP",
                                     "CLIPBOARD_TIMESTAMP",
                                     "XdndAware",
                                     "XdndSelection",
                                     "XdndEnter",
                                     "XdndTypeList",
                                     "XdndPosition",
                                     "XdndLeave",
                                     "XdndDrop",
                                     "XdndStatus",
                                     "XdndActionCopy",
                                     "XdndFinished",
                                     "text/uri-list",
                                     "text/plain;charset=UTF-8",
                                     "text/plain;charset=utf-8",
                                     "text/plain",
                                     "TEXT",
                                     "COMPOUND_TEXT",
                                     "UTF8_STRING",
                                     "image/bmp",
                                     "image/png",
                                     "INCR",
                                     "_NET_WM_NAME",
                                     "_NET_WM_ICON_NAME",
                                     "_NET_SUPPORTING_WM_CHECK",
                                     "_NET_WM_STATE",
                                     "_NET_WM_STATE_FULLSCREEN",
                                     "_NET_WM_FULLSCREEN_MONITORS",
                                     "_NET_WORKAREA",
                                     "_NET_WM_ICON",
                                     "_NET_ACTIVE_WINDOW",
                                     "WM_STATE"};
constexpr int kToolkitAtomCount = sizeof kToolkitAtoms / sizeof kToolkitAtoms[0];

}  // namespace

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
    Atom atoms[kToolkitAtomCount];
    XInternAtoms(display, const_cast<char**>(kToolkitAtoms), kToolkitAtomCount, False, atoms);
    fl_open_display(display);
    InstallShutdownHandlers();
    return true;
}
