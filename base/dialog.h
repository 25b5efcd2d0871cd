// What the application shell shares with the subsystems below it: the
// program's instance, its language and title, and the routines that set the
// main dialog's controls. Defined in app/; declared here so that no
// subsystem includes the shell.
#pragma once

#include "platform/resources.h"
#include "platform/types.h"

extern HINSTANCE g_hInstance;
extern BYTE g_langOffset;  // 0 English, 1 German

extern const WCHAR WINDOW_TITLE[];

void SetControlString(HINSTANCE instance, UINT stringId, HWND dialog, int controlId);
void UpdatePortControls(HWND dialog);
void ShowControl(HWND dialog, int controlId, int showCommand);
void EnableControl(HWND dialog, int controlId, BOOL enable);
