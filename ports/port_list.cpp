// Placeholder until the port catalogue lands.
#include "ports/port_list.h"

int ListActivePorts(HWND, const WCHAR*) { return 0; }
void ListBluetoothPorts(HWND) {}
void AddBluetoothPortEntry(HWND, HKEY, const WCHAR*) {}
