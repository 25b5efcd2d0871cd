// Placeholder until the port catalogue lands.
#include "ports/registry_lookup.h"

int RegOpenSubkeyByIndex(HKEY, BYTE, WCHAR* name, HKEY*) { name[0] = 0; return 0; }
int RegReadString(HKEY, const WCHAR*, WCHAR* buffer, DWORD) { buffer[0] = 0; return 0; }
int RegReadDword(HKEY, const WCHAR*, DWORD*) { return 0; }
int DeviceExists(const WCHAR*) { return 0; }
BYTE FindFreeComIndex(const WCHAR*) { return NO_COM_INDEX; }
BYTE FindBluetoothSerialPort(const WCHAR*) { return NO_COM_INDEX; }
HKEY FindSerialPortService(HKEY) { return NO_KEY; }
