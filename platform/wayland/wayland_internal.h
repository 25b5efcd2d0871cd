// Shared by the parts of the wayland desktop: the connection and its globals.
#pragma once

#include <wayland-client.h>

#include "platform/types.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "wlr-output-management-unstable-v1-client-protocol.h"

struct WaylandGlobals {
    wl_display* display;
    wl_registry* registry;
    wl_seat* seat;
    zwp_virtual_keyboard_manager_v1* keyboardManager;
    zwlr_foreign_toplevel_manager_v1* toplevelManager;
    zwlr_output_manager_v1* outputManager;
    bool output;  // the first wl_output is bound
};

// The connection's globals; display is nullptr when not connected.
const WaylandGlobals& WaylandConnection();

// Sends what is queued and handles every event the compositor sent in
// reply. false when the connection failed (the compositor is gone).
bool WaylandRoundtrip();

// Sends what is queued, waiting while the socket is full. false on failure.
bool WaylandFlush();

// Waits up to timeoutMs for events and handles them. false on failure.
bool WaylandDispatchFor(int timeoutMs);

// Lifetime of the parts' own objects (made after binding, gone before the
// connection).
void WaylandToplevelsStart(zwlr_foreign_toplevel_manager_v1* manager);
void WaylandToplevelsStop();
void WaylandSeatStart(wl_seat* seat);
void WaylandKeyboardStop();
// Sends the virtual keyboard's keymap again when the compositor replaced it.
void WaylandKeyboardReassert();
void WaylandOutputsStart(zwlr_output_manager_v1* manager);
void WaylandScreenStart(wl_output* output);
void WaylandOutputsStop();
// Ends the on-screen keyboard this program started: it goes with the
// program, and wvkbd would spin once its compositor is gone.
void WaylandSipStop();
