// Placeholder until key injection lands.
#include "keys/function_keys.h"

BYTE g_rotationSupport = 255;

void ToggleMainWindow(HWND) {}
void ToggleSip() {}
void ToggleDisplayOrientation() {}
void CloseForegroundWindow() {}
BYTE CanRotateDisplay() { return 0; }
WORD GetDisplayOrientation() { return 0; }
void SetDisplayOrientation(WORD) {}
