// Shared by the parts of the KDE desktop.
#pragma once

#include <wayland-client.h>

#include "fake-input-client-protocol.h"
#include "keystate-client-protocol.h"
#include "platform/linux/layout_keys.h"
#include "platform/wayland/seat_keyboard.h"

namespace sdbus {
class IConnection;
}

struct KdeGlobals {
    wl_display* display;
    wl_registry* registry;
    wl_seat* seat;
    org_kde_kwin_fake_input* fakeInput;
    LayoutKeys layout;
    SeatKeyboard follower;
    // The active layout as KWin reports it on the session bus: the seat's
    // keyboard tells the group only to the focused program.
    uint32_t group;
    // Caps Lock and Num Lock, which KWin tells the focused program only,
    // as its key states tell any program a desktop entry authorises for
    // them; nullptr without.
    org_kde_kwin_keystate* keyState;
    bool capsLock, numLock;
};

// The connection; display is nullptr when not connected.
KdeGlobals& KdeConnection();
// Sends what is queued, waiting while the socket is full. false on failure.
bool KdeFlush();
// Handles what arrived on the compositor's connection, waiting up to timeoutMs.
bool KdeWaylandDispatch(int timeoutMs);

// KWin's scripts over the session bus (kde_windows.cpp): false when KWin
// does not answer.
bool KdeWindowsStart();
void KdeWindowsStop();
int KdeBusFd();
// The session bus connection; nullptr when not connected.
sdbus::IConnection* KdeBus();
// Handles the calls that arrived; false when the bus is gone.
bool KdeBusDispatch();

// The first output and KWin's output management (kde_outputs.cpp), bound
// from the registry.
void KdeOutputsBind(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
void KdeOutputsStop();

// The key queue (kde_inject.cpp): a new connection; what waits is typed
// before the connection goes, and the characters not typed are told.
void KdeKeysStart();
void KdeKeysStop();
