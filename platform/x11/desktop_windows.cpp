// Implements the window operations of platform/x11/desktop.h (finding, activating, hiding, closing other clients'
// windows).
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include "platform/common/utf8.h"
#include "platform/text.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

// How deep a reparenting window manager may bury a client below its frame.
constexpr int MAX_FRAME_DEPTH = 3;

// The whole property, or false (no such property, no such window). The
// caller frees *data with XFree when true.
static bool ReadProperty(Window window, Atom property, Atom* type, int* format, unsigned long* count,
                         unsigned char** data) {
    unsigned long after = 0;
    *data = nullptr;
    int status = XGetWindowProperty(X11DesktopDisplay(), window, property, 0, 1024, False, AnyPropertyType, type,
                                    format, count, &after, data);
    if (status != Success || *type == None) {
        if (*data) XFree(*data);
        *data = nullptr;
        return false;
    }
    return true;
}

// A WINDOW-valued property, or 0.
static Window ReadWindowProperty(Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;
    if (!ReadProperty(window, property, &type, &format, &count, &data)) return 0;
    Window value = (type == XA_WINDOW && format == 32 && count >= 1) ? reinterpret_cast<unsigned long*>(data)[0] : 0;
    XFree(data);
    return value;
}

static bool DecodeLatin1(const unsigned char* s, unsigned long n, WCHAR* out, int capacity) {
    int length = 0;
    for (unsigned long i = 0; i < n && s[i]; ++i) {
        if (length + 1 >= capacity) return false;
        out[length++] = s[i];
    }
    out[length] = 0;
    return true;
}

// _NET_WM_NAME, else WM_NAME (STRING as Latin-1; compound text is ASCII
// compatible, which is all a title search can rely on there).
static bool ReadTitle(Window window, WCHAR* title, int capacity) {
    const X11DesktopAtoms& atoms = X11Atoms();
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;
    bool ok = false;
    if (ReadProperty(window, atoms.netWmName, &type, &format, &count, &data)) {
        ok = format == 8 && Utf8ToUtf16(title, capacity, reinterpret_cast<const char*>(data), count);
        XFree(data);
        if (ok) return true;
    }
    if (!ReadProperty(window, XA_WM_NAME, &type, &format, &count, &data)) return false;
    if (format == 8)
        ok = type == atoms.utf8String ? Utf8ToUtf16(title, capacity, reinterpret_cast<const char*>(data), count)
                                      : DecodeLatin1(data, count, title, capacity);
    XFree(data);
    return ok;
}

// WM_CLASS holds the instance and the class, each ending in a zero byte.
static bool ClassMatches(Window window, const WCHAR* className) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned char* data = nullptr;
    if (!ReadProperty(window, XA_WM_CLASS, &type, &format, &count, &data)) return false;
    bool match = false;
    WCHAR name[MAX_TEXT];
    unsigned long start = 0;
    while (format == 8 && start < count && !match) {
        unsigned long end = start;
        while (end < count && data[end])
            ++end;
        match = DecodeLatin1(data + start, end - start, name, MAX_TEXT) && WCompare(name, className) == 0;
        start = end + 1;
    }
    XFree(data);
    return match;
}

static bool WindowMatches(Window window, const WCHAR* className, const WCHAR* title) {
    if (className && !ClassMatches(window, className)) return false;
    if (title) {
        WCHAR text[MAX_TEXT];
        if (!ReadTitle(window, text, MAX_TEXT) || WCompare(text, title) != 0) return false;
    }
    return true;
}

// What a window's property list tells about it, read in one round trip
// rather than one per property.
struct WindowKind {
    bool managed;  // WM_STATE
    bool named;    // WM_NAME, _NET_WM_NAME or WM_CLASS
};

static WindowKind KindOf(Window window) {
    const X11DesktopAtoms& atoms = X11Atoms();
    WindowKind kind{false, false};
    int count = 0;
    Atom* properties = XListProperties(X11DesktopDisplay(), window, &count);
    for (int i = 0; i < count; ++i) {
        Atom p = properties[i];
        if (p == atoms.wmState) kind.managed = true;
        if (p == XA_WM_NAME || p == atoms.netWmName || p == XA_WM_CLASS) kind.named = true;
    }
    if (properties) XFree(properties);
    return kind;
}

// The first managed and the first named window below `frame`, each in the
// same order: a level's windows before the levels below them. The walk ends
// at the first managed one, which is all its caller then needs.
struct ClientsBelow {
    Window managed;
    Window named;
};

static void FindClientsBelow(Window frame, int depth, ClientsBelow* found) {
    Display* display = X11DesktopDisplay();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (depth <= 0 || !XQueryTree(display, frame, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count && !found->managed; ++i) {
        WindowKind kind = KindOf(children[i]);
        if (kind.managed) found->managed = children[i];
        if (kind.named && !found->named) found->named = children[i];
    }
    for (unsigned int i = 0; i < count && !found->managed; ++i)
        FindClientsBelow(children[i], depth - 1, found);
    if (children) XFree(children);
}

// The client window a child of the root stands for: itself when it is a
// client (WM_STATE), the client inside it when it is a frame, itself again
// when it has a name or class but was never managed (a window that was
// never mapped has no WM_STATE yet); 0 for the rest. A window being hidden
// loses WM_STATE before the window manager hands it back to the root, so a
// named window inside a frame counts too: a hidden copy must be found.
static Window ClientOfRootChild(Window child) {
    WindowKind kind = KindOf(child);
    if (kind.managed) return child;
    ClientsBelow below{0, 0};
    FindClientsBelow(child, MAX_FRAME_DEPTH, &below);
    if (below.managed) return below.managed;
    return kind.named ? child : below.named;
}

HWND X11FindTopLevel(const WCHAR* className, const WCHAR* title) {
    Display* display = X11DesktopDisplay();
    if (!display) return 0;
    X11BeginTrap();
    // Held for the walk: a window manager that hands a window back to the
    // root and destroys its frame between our reads would hide it from us.
    XGrabServer(display);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        // Top of the stacking order first, as a search of the desktop would.
        for (unsigned int i = count; i > 0 && !found; --i) {
            Window client = ClientOfRootChild(children[i - 1]);
            if (client && WindowMatches(client, className, title)) found = client;
        }
        if (children) XFree(children);
    }
    XUngrabServer(display);
    X11EndTrap();
    return static_cast<HWND>(found);
}

bool X11WindowManagerRunning() {
    Display* display = X11DesktopDisplay();
    if (!display) return false;
    // A window manager that exited leaves its properties on the root: only
    // a check window that still exists and names itself proves a live one.
    int error = X11TrappedError();
    Window check = ReadWindowProperty(DefaultRootWindow(display), X11Atoms().netSupportingWmCheck);
    bool running = check != 0 && ReadWindowProperty(check, X11Atoms().netSupportingWmCheck) == check;
    X11SetTrappedError(error);
    return running;
}

static Window TopLevelOf(Window window) {
    Display* display = X11DesktopDisplay();
    Window rootWindow = DefaultRootWindow(display);
    while (window && window != rootWindow) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
        if (children) XFree(children);
        if (parent == rootWindow) {
            Window client = ClientOfRootChild(window);
            return client ? client : window;
        }
        window = parent;
    }
    return 0;
}

HWND X11TopLevelOf(HWND window) {
    if (window <= 0 || !X11DesktopDisplay()) return 0;
    X11BeginTrap();
    Window top = TopLevelOf(static_cast<Window>(window));
    return X11EndTrap() ? static_cast<HWND>(top) : 0;
}

static Window FocusTopLevel() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(X11DesktopDisplay(), &focus, &revert);
    if (focus == None || focus == PointerRoot) return 0;
    return TopLevelOf(focus);
}

HWND X11ActiveWindow() {
    Display* display = X11DesktopDisplay();
    if (!display) return 0;
    X11BeginTrap();
    Window active = X11WindowManagerRunning()
                        ? ReadWindowProperty(DefaultRootWindow(display), X11Atoms().netActiveWindow)
                        : FocusTopLevel();
    X11EndTrap();
    return static_cast<HWND>(active);
}

// The window manager announces every change of _NET_ACTIVE_WINDOW on the
// root; the value is read when the change is, as the event carries none.
struct ActiveWatch {
    void (*reported)(HWND active);
    Window last;
};
static ActiveWatch g_activeWatch{};

void X11WatchActiveWindow(void (*reported)(HWND active)) {
    Display* display = X11DesktopDisplay();
    g_activeWatch = ActiveWatch{reported, 0};
    if (!display || !reported) return;
    X11BeginTrap();
    XWindowAttributes attributes{};
    Window root = DefaultRootWindow(display);
    XGetWindowAttributes(display, root, &attributes);
    XSelectInput(display, root, attributes.your_event_mask | PropertyChangeMask);
    g_activeWatch.last = ReadWindowProperty(root, X11Atoms().netActiveWindow);
    X11EndTrap();
}

void X11NoteRootProperty(const XPropertyEvent& event) {
    if (!g_activeWatch.reported || event.atom != X11Atoms().netActiveWindow) return;
    int error = X11TrappedError();
    Window active = event.state == PropertyDelete ? 0 : ReadWindowProperty(event.window, event.atom);
    X11SetTrappedError(error);
    if (active == g_activeWatch.last) return;
    g_activeWatch.last = active;
    g_activeWatch.reported(static_cast<HWND>(active));
}

// With the focus following the pointer, keys go to the window under it.
static Window PointerTopLevel() {
    Display* display = X11DesktopDisplay();
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask) || !child)
        return DefaultRootWindow(display);
    Window client = ClientOfRootChild(child);
    return client ? client : child;
}

HWND X11RootWindow() {
    Display* display = X11DesktopDisplay();
    return display ? static_cast<HWND>(DefaultRootWindow(display)) : 0;
}

HWND X11KeyboardTarget() {
    Display* display = X11DesktopDisplay();
    if (!display) return -1;
    X11BeginTrap();
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    Window target = focus;
    if (focus == PointerRoot) {
        target =
            X11WindowManagerRunning() ? ReadWindowProperty(DefaultRootWindow(display), X11Atoms().netActiveWindow) : 0;
        if (!target) target = PointerTopLevel();
    }
    bool ok = X11EndTrap();
    return ok ? static_cast<HWND>(target) : -1;
}

// Asks the window manager to activate; source 2 says a pager-like tool
// acts for the user, which focus-stealing prevention lets through.
static void RequestActivation(Window window) {
    Display* display = X11DesktopDisplay();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = X11Atoms().netActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = 0;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

static bool RaiseAndFocus(Window window, bool map) {
    Display* display = X11DesktopDisplay();
    if (!display || window == 0) return false;
    X11BeginTrap();
    bool managed = X11WindowManagerRunning();
    if (map)
        XMapRaised(display, window);
    else
        XRaiseWindow(display, window);
    if (managed)
        RequestActivation(window);
    else
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    return X11EndTrap();
}

bool X11ShowAndActivate(HWND window) { return RaiseAndFocus(static_cast<Window>(window), true); }

bool X11Activate(HWND window) { return RaiseAndFocus(static_cast<Window>(window), false); }

bool X11MapRaised(HWND window) {
    Display* display = X11DesktopDisplay();
    if (!display || window == 0) return false;
    X11BeginTrap();
    XMapRaised(display, static_cast<Window>(window));
    return X11EndTrap();
}

bool X11Hide(HWND window) {
    Display* display = X11DesktopDisplay();
    if (!display || window == 0) return false;
    X11BeginTrap();
    // Withdrawing also tells the window manager, which unmaps the frame.
    XWithdrawWindow(display, static_cast<Window>(window), DefaultScreen(display));
    return X11EndTrap();
}

bool X11WindowExists(HWND window) {
    Display* display = X11DesktopDisplay();
    if (!display || window <= 0) return false;
    X11BeginTrap();
    XWindowAttributes attributes;
    Status status = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    return X11EndTrap() && status != 0;
}

bool X11IsMapped(HWND window) {
    Display* display = X11DesktopDisplay();
    if (!display || window <= 0) return false;
    X11BeginTrap();
    XWindowAttributes attributes;
    Status status = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    return X11EndTrap() && status != 0 && attributes.map_state == IsViewable;
}

bool X11RootGeometry(HWND window, RECT* rect) {
    Display* display = X11DesktopDisplay();
    if (!display || window <= 0) return false;
    X11BeginTrap();
    XWindowAttributes attributes;
    Window child = 0;
    int x = 0, y = 0;
    Status status = XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    bool translated = status != 0 && XTranslateCoordinates(display, static_cast<Window>(window),
                                                           DefaultRootWindow(display), 0, 0, &x, &y, &child);
    if (!X11EndTrap() || !translated) return false;
    *rect = RECT{x, y, x + attributes.width, y + attributes.height};
    return true;
}

static bool SupportsDelete(Window window) {
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(X11DesktopDisplay(), window, &protocols, &count)) return false;
    bool supports = false;
    for (int i = 0; i < count; ++i)
        supports = supports || protocols[i] == X11Atoms().wmDeleteWindow;
    XFree(protocols);
    return supports;
}

void X11RequestClose(HWND window) {
    Display* display = X11DesktopDisplay();
    if (!display || window <= 0) return;
    Window target = static_cast<Window>(window);
    X11BeginTrap();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.format = 32;
    if (SupportsDelete(target)) {
        event.xclient.message_type = X11Atoms().wmProtocols;
        event.xclient.data.l[0] = static_cast<long>(X11Atoms().wmDeleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, target, False, NoEventMask, &event);
    } else {
        event.xclient.message_type = X11Atoms().netCloseWindow;
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = 2;
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    }
    X11EndTrap();
}
