// Implements the connection and error trap of desktop_internal.h. It calls
// nothing else of the desktop, so every other part may use it.
#include "platform/x11/desktop_internal.h"

struct ConnectionState {
    Display* display;
    bool openTried;
    X11DesktopAtoms atoms;
    // XSetErrorHandler is process-wide, and the dialog toolkit has its own
    // handler for its own connection: record only what concerns ours.
    XErrorHandler previousHandler;
    int trappedError;
};
static ConnectionState g_connection{};

static int RecordDesktopError(Display* display, XErrorEvent* error) {
    if (display == g_connection.display) {
        g_connection.trappedError = error->error_code;
        return 0;
    }
    return g_connection.previousHandler ? g_connection.previousHandler(display, error) : 0;
}

static void InstallErrorHandler() {
    XErrorHandler previous = XSetErrorHandler(RecordDesktopError);
    if (previous != RecordDesktopError) g_connection.previousHandler = previous;
}

// One round trip for all of them: the connection opens before the dialog shows.
static void InternAtoms(Display* display) {
    X11DesktopAtoms& a = g_connection.atoms;
    struct {
        const char* name;
        Atom* atom;
    } const wanted[] = {
        {"WM_STATE", &a.wmState},
        {"WM_NAME", &a.wmName},
        {"WM_PROTOCOLS", &a.wmProtocols},
        {"WM_DELETE_WINDOW", &a.wmDeleteWindow},
        {"_NET_WM_NAME", &a.netWmName},
        {"_NET_ACTIVE_WINDOW", &a.netActiveWindow},
        {"_NET_SUPPORTING_WM_CHECK", &a.netSupportingWmCheck},
        {"_NET_CLOSE_WINDOW", &a.netCloseWindow},
        {"UTF8_STRING", &a.utf8String},
    };
    constexpr int count = sizeof wanted / sizeof wanted[0];
    char* names[count];
    Atom atoms[count];
    for (int i = 0; i < count; ++i)
        names[i] = const_cast<char*>(wanted[i].name);
    XInternAtoms(display, names, count, False, atoms);
    for (int i = 0; i < count; ++i)
        *wanted[i].atom = atoms[i];
}

bool X11Connect(const char* displayName) {
    g_connection.openTried = true;
    g_connection.display = XOpenDisplay(displayName);
    if (!g_connection.display) return false;
    InternAtoms(g_connection.display);
    // A late error (a window that vanished meanwhile) must not end the program.
    InstallErrorHandler();
    return true;
}

bool X11Connected() { return g_connection.display != nullptr; }

void X11Disconnect() {
    if (!g_connection.display) return;
    XSync(g_connection.display, False);
    XCloseDisplay(g_connection.display);
    g_connection.display = nullptr;
    g_connection.openTried = false;
    // Give the handler back only if nobody replaced ours meanwhile.
    XErrorHandler current = XSetErrorHandler(g_connection.previousHandler);
    if (current != RecordDesktopError) XSetErrorHandler(current);
}

Display* X11DesktopDisplay() {
    if (!g_connection.display && !g_connection.openTried) X11Connect(nullptr);
    return g_connection.display;
}

const X11DesktopAtoms& X11Atoms() { return g_connection.atoms; }

void X11BeginTrap() {
    if (g_connection.display) XSync(g_connection.display, False);  // earlier errors are not this operation's
    InstallErrorHandler();
    g_connection.trappedError = 0;
}

bool X11EndTrap() {
    if (g_connection.display) XSync(g_connection.display, False);
    return g_connection.trappedError == 0;
}

int X11TrappedError() { return g_connection.trappedError; }

void X11SetTrappedError(int error) { g_connection.trappedError = error; }
