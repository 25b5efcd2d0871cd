// The port list of the main dialog.
#pragma once

#include "platform/types.h"

int ListActivePorts(HWND portList, const WCHAR* prefix);
void ListBluetoothPorts(HWND portList);
void AddBluetoothPortEntry(HWND portList, HKEY deviceKey, const WCHAR* deviceName);
