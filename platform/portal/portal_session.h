// A session of the desktop portal's remote desktop
// (org.freedesktop.portal.RemoteDesktop on the session bus): the user's
// consent, then key presses by evdev code into whatever has the focus.
#pragma once

#include <cstdint>

enum class PortalAnswer {
    GRANTED,
    DECLINED,  // the user said no, or did not answer in time
    ABSENT,    // no portal, no keyboard offered, or it failed
};

// Asks for a keyboard and waits at most `consentMs` for the user's answer.
// Where the portal keeps a consent (interface version 2 or later), a kept
// restore token is offered and the new one kept, so the user agrees once.
PortalAnswer PortalSessionStart(int consentMs);
void PortalSessionClose();
bool PortalSessionActive();

// Hands one press or release to the portal without waiting; `taken` runs
// from PortalProcessEvents once the portal has handled it (or failed to).
// The portal handles concurrent calls in any order, so the caller sends the
// next key only then. false once the session is gone (the user or the
// desktop ended it).
bool PortalSendKey(uint32_t evdevKey, bool pressed, void (*taken)());

// The session bus's descriptor for a loop to watch (-1 without a session),
// and the handling of what arrived; false once the bus failed.
int PortalBusFd();
bool PortalProcessEvents();

// Where the restore token is kept: $XDG_STATE_HOME/tastra/portal-restore-token,
// else ~/.local/state/tastra/portal-restore-token. false without either.
bool PortalTokenPath(char* path, int capacity);
