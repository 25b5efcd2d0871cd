// Bluetooth radio and the program's own virtual serial ports.
#pragma once

#include "platform/types.h"

extern HANDLE g_hIncomingDevice;
extern HANDLE g_hOutgoingDevice;

void BluetoothShutdown();
HANDLE RegisterIncomingPort(BYTE index);
int SetBluetoothMode(DWORD mode, int registerIncoming);
// Channel 1..255 or 0; address[0] the lower 32 bits, address[1] the upper 16.
BYTE FindDeviceChannel(const WCHAR* name, DWORD address[2]);
int RegisterOutgoingPort(const WCHAR* entry);
void RunBluetoothSettings(int registerIncoming);
