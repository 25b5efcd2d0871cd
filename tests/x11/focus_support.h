// Whether the X server's input focus is really in a window.
#pragma once

#include <X11/Xlib.h>

// The window manager names the active window before the server moves the
// focus; keys sent in between go to the window that had it. True when the
// focus is `topLevel` or one of its descendants.
bool FocusIsWithin(Display* display, Window topLevel);
