// The application shell: start-up, the texts and the main dialog.
#pragma once

#include "base/dialog.h"

extern HANDLE g_hPort;  // the open terminal port, -1 while none

extern const DWORD BAUD_RATES[8];

// The retry timer of --reconnect; the poll timer is the link's.
constexpr UINT_PTR RETRY_TIMER_ID = 2;
constexpr UINT RETRY_PERIOD_MS = 2000;

INT_PTR MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void InitMainDialog(HWND dialog);
// Connect as the button does; with --reconnect a failed connect is waited on
// like a line that hung up.
void ConnectAtStart(HWND dialog);
// Waits, as for a line that hung up, for the options' port to be listed.
void AwaitStartPort(HWND dialog);
void CenterDialog(HWND dialog);
void SetAttributionTexts(HWND dialog, int creditId, int webId);
