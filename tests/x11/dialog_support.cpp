// Helpers for the dialog tests: an Xlib view independent of the code under test.
#include "tests/x11/dialog_support.h"

#include <FL/Fl.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstring>

#include "platform/window.h"

namespace {

Atom AtomNamed(const char* name) { return XInternAtom(TestDisplay(), name, False); }

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

void CollectTitled(Window w, const char* title, int* count, HWND* first) {
    char* name = nullptr;
    if (XFetchName(TestDisplay(), w, &name) && name != nullptr) {
        if (std::strcmp(name, title) == 0) {
            if (*count == 0) *first = static_cast<HWND>(w);
            ++*count;
        }
        XFree(name);
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(TestDisplay(), w, &root, &parent, &children, &n)) return;
    for (unsigned int i = 0; i < n; ++i)
        CollectTitled(children[i], title, count, first);
    if (children != nullptr) XFree(children);
}

}  // namespace

Display* TestDisplay() {
    static Display* display = nullptr;
    if (display == nullptr) {
        display = XOpenDisplay(nullptr);
        XSetErrorHandler(IgnoreErrors);
    }
    return display;
}

bool WaitFor(const std::function<bool()>& condition, double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Fl::wait(0.02);
    }
    return true;
}

bool IsMapped(HWND window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(TestDisplay(), static_cast<Window>(window), &attributes)) return false;
    return attributes.map_state == IsViewable;
}

bool HasFrame(HWND window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(TestDisplay(), static_cast<Window>(window), &root, &parent, &children, &n)) return false;
    if (children != nullptr) XFree(children);
    return parent != root;
}

HWND ActiveWindow() {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(TestDisplay(), DefaultRootWindow(TestDisplay()), AtomNamed("_NET_ACTIVE_WINDOW"), 0, 1, False,
                       XA_WINDOW, &type, &format, &count, &after, &data);
    HWND active = count > 0 ? static_cast<HWND>(reinterpret_cast<unsigned long*>(data)[0]) : 0;
    if (data != nullptr) XFree(data);
    return active;
}

std::string WindowName(HWND window) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(TestDisplay(), static_cast<Window>(window), &name) && name != nullptr) {
        result = name;
        XFree(name);
    }
    return result;
}

std::string WindowClass(HWND window) {
    XClassHint hint{};
    if (!XGetClassHint(TestDisplay(), static_cast<Window>(window), &hint)) return "";
    std::string result = std::string(hint.res_name) + "." + hint.res_class;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return result;
}

std::string WindowType(HWND window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Atom property = XInternAtom(TestDisplay(), "_NET_WM_WINDOW_TYPE", False);
    XGetWindowProperty(TestDisplay(), static_cast<Window>(window), property, 0, 1, False, XA_ATOM, &type, &format,
                       &count, &after, &data);
    std::string result;
    if (data && count == 1) {
        char* name = XGetAtomName(TestDisplay(), *reinterpret_cast<Atom*>(data));
        result = name ? name : "";
        if (name) XFree(name);
    }
    if (data) XFree(data);
    return result;
}

bool Geometry(HWND window, int* x, int* y, int* w, int* h) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(TestDisplay(), static_cast<Window>(window), &attributes)) return false;
    Window child = 0;
    XTranslateCoordinates(TestDisplay(), static_cast<Window>(window), DefaultRootWindow(TestDisplay()), 0, 0, x, y,
                          &child);
    *w = attributes.width;
    *h = attributes.height;
    return true;
}

std::u16string Text(HWND dialog, int id) {
    WCHAR text[MAX_TEXT];
    GetDlgItemTextW(dialog, id, text, MAX_TEXT);
    return text;
}

void PressKey(const char* keysym) {
    Display* d = TestDisplay();
    KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XFlush(d);
}

void SendDeleteWindow(HWND window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = AtomNamed("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(AtomNamed("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(TestDisplay(), static_cast<Window>(window), False, NoEventMask, &event);
    XFlush(TestDisplay());
}

void MapFromOutside(HWND window) {
    XMapRaised(TestDisplay(), static_cast<Window>(window));
    XFlush(TestDisplay());
}

int CountWindowsTitled(const char* title, HWND* first) {
    int count = 0;
    HWND found = 0;
    CollectTitled(DefaultRootWindow(TestDisplay()), title, &count, &found);
    if (first != nullptr) *first = found;
    return count;
}
