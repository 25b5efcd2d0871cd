// The application shell: start-up, the texts and the main dialog.
#pragma once

#include "base/dialog.h"

extern HANDLE g_hPort;  // the open terminal port, -1 while none

extern const DWORD BAUD_RATES[8];

INT_PTR MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void InitMainDialog(HWND dialog);
void CenterDialog(HWND dialog);
void SetAttributionTexts(HWND dialog, int creditId, int webId);
