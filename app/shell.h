// The application shell: start-up, the texts and the main dialog.
#pragma once

#include "platform/resources.h"
#include "platform/types.h"

extern HINSTANCE g_hInstance;
extern BYTE g_langOffset;  // 0 English, 1 German
extern HANDLE g_hPort;     // the open terminal port, -1 while none

extern const WCHAR WINDOW_TITLE[];
extern const DWORD BAUD_RATES[8];

void SetControlString(HINSTANCE instance, UINT stringId, HWND dialog, int controlId);

INT_PTR MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void InitMainDialog(HWND dialog);
void UpdatePortControls(HWND dialog);
void CenterDialog(HWND dialog);
void SetAttributionTexts(HWND dialog, int creditId, int webId);
void ShowControl(HWND dialog, int controlId, int showCommand);
void EnableControl(HWND dialog, int controlId, BOOL enable);
