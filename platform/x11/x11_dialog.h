// The program's own dialog on the x11 backend, for the other x11 services.
#pragma once

#include "platform/types.h"

// The dialog's X window id, 0 before it exists.
HWND X11DialogWindow();

// Queues WM_SETTINGCHANGE for the dialog (after a change of the screen).
void X11AnnounceSettingChange();

// Destroys the dialog, its timers and queued messages; a new dialog may then
// be created (tests start each case afresh with it).
void X11DestroyDialog();
