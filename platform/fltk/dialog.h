// The program's own dialog as tests and the session see it.
#pragma once

#include "platform/types.h"

// The dialog's X window id, 0 before it exists.
HWND FltkDialogWindow();

// Destroys the dialog, its timers and queued messages; a new dialog may then
// be created (tests start each case afresh with it).
void FltkDestroyDialog();
