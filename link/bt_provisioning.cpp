// Placeholder until the terminal link lands.
#include "link/bt_provisioning.h"

HANDLE g_hIncomingDevice = INVALID_HANDLE_VALUE;
HANDLE g_hOutgoingDevice = INVALID_HANDLE_VALUE;

void BluetoothShutdown() {}
HANDLE RegisterIncomingPort(BYTE) { return INVALID_HANDLE_VALUE; }
int SetBluetoothMode(DWORD, int) { return 1; }
BYTE FindDeviceChannel(const WCHAR*, DWORD*) { return 0; }
int RegisterOutgoingPort(const WCHAR*) { return 0; }
void RunBluetoothSettings(int) {}
