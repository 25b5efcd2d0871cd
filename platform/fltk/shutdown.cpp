// Implements platform/fltk/shutdown.h: signals and X server loss close the dialog.
#include "platform/fltk/shutdown.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/fltk/window_internal.h"

namespace {

struct ShutdownState {
    int signalPipe[2];
    bool closePosted;
    volatile sig_atomic_t displayLost;
};
ShutdownState g_shutdown{{-1, -1}, false, 0};

// Only write(2) is safe here; the loop does the rest.
void OnSignal(int) {
    int saved = errno;
    char byte = 1;
    ssize_t ignored = write(g_shutdown.signalPipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

void DrainSignalPipe() {
    char bytes[16];
    while (read(g_shutdown.signalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

// One WM_CLOSE is enough; a second signal must not close twice.
void OnSignalPipeReadable(int, void*) {
    DrainSignalPipe();
    if (g_shutdown.closePosted) return;
    g_shutdown.closePosted = true;
    if (g_dialog.hwnd != 0)
        PostMessageW(g_dialog.hwnd, WM_CLOSE, 0, 0);
    else
        PostQuitMessage(0);
}

// Xlib must not get control back after this handler: it would exit without
// the farewell, or call us again. A second loss during the close (FLTK drawing
// on the dead connection) ends at once.
int OnDisplayLost(Display*) {
    if (g_shutdown.displayLost) _exit(1);
    g_shutdown.displayLost = 1;
    if (g_dialog.procedure != nullptr && g_dialog.hwnd != 0) g_dialog.procedure(g_dialog.hwnd, WM_CLOSE, 0, 0);
    std::fprintf(stderr, "tastra: the connection to the X server was lost; the terminal link is closed.\n");
    std::fflush(stderr);
    _exit(1);
}

bool OpenSignalPipe() {
    if (pipe2(g_shutdown.signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    Fl::add_fd(g_shutdown.signalPipe[0], FL_READ, OnSignalPipeReadable);
    return true;
}

bool CatchSignal(int number) {
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    return sigaction(number, &action, nullptr) == 0;
}

}  // namespace

bool InstallShutdownHandlers() {
    // FLTK installs its own handler when it opens the display; ours replaces it.
    XSetIOErrorHandler(OnDisplayLost);
    if (!OpenSignalPipe()) return false;
    bool term = CatchSignal(SIGTERM);
    bool interrupt = CatchSignal(SIGINT);
    return term && interrupt;
}
