#include "tests/x11/focus_support.h"

namespace {

bool g_errorSeen = false;

int NoteError(Display*, XErrorEvent*) {
    g_errorSeen = true;
    return 0;
}

}  // namespace

bool FocusIsWithin(Display* display, Window topLevel) {
    XSync(display, False);
    g_errorSeen = false;
    XErrorHandler previous = XSetErrorHandler(NoteError);  // a window of the chain may vanish
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    bool within = false;
    for (Window w = focus; w != None && w != PointerRoot && !within;) {
        within = w == topLevel;
        Window root = None, parent = None, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, w, &root, &parent, &children, &count)) break;
        if (children) XFree(children);
        w = parent;
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return within && !g_errorSeen;
}
