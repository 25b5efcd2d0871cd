// PF1 to PF4: actions on the computer itself.
#pragma once

#include "platform/types.h"

extern BYTE g_rotationSupport;  // 255 untested, 0 no, 1 yes

void ToggleMainWindow(HWND dialog);
void ToggleSip();
void ToggleDisplayOrientation();
void CloseForegroundWindow();
BYTE CanRotateDisplay();
WORD GetDisplayOrientation();
void SetDisplayOrientation(WORD orientation);
