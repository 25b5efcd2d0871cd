// Registry and device lookups through which every walk and probe goes.
#pragma once

#include "platform/types.h"

constexpr BYTE NO_COM_INDEX = 10;
constexpr HKEY NO_KEY = -1;

// 1 with the subkey at `position` open in *key and its name in `name`
// (MAX_TEXT characters); 0 with nothing left open.
int RegOpenSubkeyByIndex(HKEY parent, BYTE position, WCHAR* name, HKEY* key);
// 1 when `valueName` is a REG_SZ that fits `capacityBytes`; the buffer then
// holds it, terminated. 0 otherwise, the buffer then empty.
int RegReadString(HKEY key, const WCHAR* valueName, WCHAR* buffer, DWORD capacityBytes);
int RegReadDword(HKEY key, const WCHAR* valueName, DWORD* value);
int DeviceExists(const WCHAR* deviceName);
BYTE FindFreeComIndex(const WCHAR* prefix);
BYTE FindBluetoothSerialPort(const WCHAR* searchText);
// The open Serial Port service key of a paired device (the caller closes
// it), or NO_KEY.
HKEY FindSerialPortService(HKEY deviceKey);
