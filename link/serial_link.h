// The link to the terminal: connect with handshake and greeting, disconnect
// with farewell.
#pragma once

#include "platform/types.h"

extern const BYTE HANDSHAKE_BYTES[4];
extern const BYTE FAREWELL_TAIL[3];
constexpr DWORD DEFAULT_BAUD_RATE = 115200;
constexpr int CONNECT_ATTEMPTS = 3;
constexpr UINT_PTR POLL_TIMER_ID = 1;
constexpr UINT POLL_PERIOD_MS = 100;

// Opens the selected entry and greets the terminal, with up to `attempts`
// opens (a retry that comes back by itself needs only one).
HANDLE ConnectTerminal(HWND dialog, int attempts = CONNECT_ATTEMPTS);
void DisconnectTerminal(HWND dialog, HANDLE port);
// After the line hung up: as DisconnectTerminal, without the farewell that
// nobody would receive, and the status line says the connection is lost.
void DropLostTerminal(HWND dialog, HANDLE port);
HANDLE OpenSelectedPort(const WCHAR* entry, DWORD speed);
HANDLE OpenSerialPort(const WCHAR* deviceName, DWORD speed);
