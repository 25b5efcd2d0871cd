// Implements X11DesktopOpen/X11DesktopClose of platform/x11/desktop.h and the connection and error trap of desktop_internal.h.
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"

void X11ReleaseSpareKeycodes();  // x11_desktop_inject.cpp

static Display* g_display = nullptr;
static bool g_openTried = false;
static X11DesktopAtoms g_atoms;

// XSetErrorHandler is process-wide, and the dialog toolkit has its own
// handler for its own connection: record only what concerns ours.
static XErrorHandler g_previousHandler = nullptr;
static int g_trappedError = 0;

static int RecordDesktopError(Display* display, XErrorEvent* error)
{
    if (display == g_display) {
        g_trappedError = error->error_code;
        return 0;
    }
    return g_previousHandler ? g_previousHandler(display, error) : 0;
}

static void InstallErrorHandler()
{
    XErrorHandler previous = XSetErrorHandler(RecordDesktopError);
    if (previous != RecordDesktopError)
        g_previousHandler = previous;
}

static void InternAtoms(Display* display)
{
    g_atoms.wmState = XInternAtom(display, "WM_STATE", False);
    g_atoms.wmName = XInternAtom(display, "WM_NAME", False);
    g_atoms.wmProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
    g_atoms.wmDeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    g_atoms.netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    g_atoms.netActiveWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    g_atoms.netSupportingWmCheck = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    g_atoms.netCloseWindow = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
    g_atoms.utf8String = XInternAtom(display, "UTF8_STRING", False);
}

bool X11DesktopOpen(const char* displayName)
{
    if (g_display)
        X11DesktopClose();
    g_openTried = true;
    g_display = XOpenDisplay(displayName);
    if (!g_display)
        return false;
    InternAtoms(g_display);
    // A late error (a window that vanished meanwhile) must not end the program.
    InstallErrorHandler();
    return true;
}

void X11DesktopClose()
{
    if (!g_display)
        return;
    X11ReleaseSpareKeycodes();
    XSync(g_display, False);
    XCloseDisplay(g_display);
    g_display = nullptr;
    g_openTried = false;
    // Give the handler back only if nobody replaced ours meanwhile.
    XErrorHandler current = XSetErrorHandler(g_previousHandler);
    if (current != RecordDesktopError)
        XSetErrorHandler(current);
}

Display* X11DesktopDisplay()
{
    if (!g_display && !g_openTried)
        X11DesktopOpen(nullptr);
    return g_display;
}

const X11DesktopAtoms& X11Atoms()
{
    return g_atoms;
}

void X11BeginTrap()
{
    if (g_display)
        XSync(g_display, False);  // earlier errors are not this operation's
    InstallErrorHandler();
    g_trappedError = 0;
}

bool X11EndTrap()
{
    if (g_display)
        XSync(g_display, False);
    return g_trappedError == 0;
}

int X11TrappedError()
{
    return g_trappedError;
}

void X11SetTrappedError(int error)
{
    g_trappedError = error;
}
