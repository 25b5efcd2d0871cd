// Placeholder until the terminal link lands.
#include "link/serial_link.h"

#include "platform/window.h"

const BYTE HANDSHAKE_BYTES[4] = {0x1B, 0x5B, 0x63, 0x00};
const BYTE FAREWELL_TAIL[3] = {0x0D, 0x0A, 0x0A};

HANDLE ConnectTerminal(HWND) { return INVALID_HANDLE_VALUE; }
void DisconnectTerminal(HWND dialog, HANDLE) { KillTimer(dialog, POLL_TIMER_ID); }
HANDLE OpenSelectedPort(const WCHAR*, DWORD) { return INVALID_HANDLE_VALUE; }
HANDLE OpenSerialPort(const WCHAR*, DWORD) { return INVALID_HANDLE_VALUE; }
