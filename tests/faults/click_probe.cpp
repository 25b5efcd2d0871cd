// Clicks into a window as a user does (XTest, through the window manager)
// and times, on one monotonic clock, how long after the press the window is
// unmapped, and when the window manager handed the click on (it focuses the
// window as it does); also counts the key presses the window received.
//   click_probe WINDOW X Y [SECONDS]
// X and Y are relative to the window. Prints "hidden_ms=N focused_ms=F
// keys=K", with "never" for what did not happen within SECONDS (default 20).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: click_probe WINDOW X Y [SECONDS]\n");
        return 2;
    }
    Window window = std::strtoul(argv[1], nullptr, 0);
    int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
    double limitMs = (argc > 4 ? std::atof(argv[4]) : 20.0) * 1e3;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 2;
    // Key presses may be watched by any number of clients, unlike buttons.
    XSelectInput(display, window, StructureNotifyMask | KeyPressMask | FocusChangeMask);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XSync(display, False);
    double pressed = NowMs();
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    int keys = 0;
    double hiddenAt = -1, focusedAt = -1;
    while (hiddenAt < 0 && NowMs() - pressed < limitMs) {
        while (XPending(display) > 0 && hiddenAt < 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress) ++keys;
            if (event.type == FocusIn && focusedAt < 0) focusedAt = NowMs();
            if (event.type == UnmapNotify && event.xunmap.window == window) hiddenAt = NowMs();
        }
        pollfd in{ConnectionNumber(display), POLLIN, 0};
        if (hiddenAt < 0) poll(&in, 1, 5);
    }
    char hidden[32] = "never", focused[32] = "never";
    if (hiddenAt >= 0) std::snprintf(hidden, sizeof hidden, "%.0f", hiddenAt - pressed);
    if (focusedAt >= 0) std::snprintf(focused, sizeof focused, "%.0f", focusedAt - pressed);
    std::printf("hidden_ms=%s focused_ms=%s keys=%d\n", hidden, focused, keys);
    XCloseDisplay(display);
    return 0;
}
