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

static void InternAtoms(Display* display) {
    g_connection.atoms.wmState = XInternAtom(display, "WM_STATE", False);
    g_connection.atoms.wmName = XInternAtom(display, "WM_NAME", False);
    g_connection.atoms.wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    g_connection.atoms.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    g_connection.atoms.netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    g_connection.atoms.netActiveWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    g_connection.atoms.netSupportingWmCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    g_connection.atoms.netCloseWindow = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
    g_connection.atoms.utf8String = XInternAtom(display, "UTF8_STRING", False);
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
