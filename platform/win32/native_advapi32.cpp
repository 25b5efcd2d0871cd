// Implements the advapi32 part of native.h: the serial ports Windows lists.
#include <windows.h>

#include "platform/win32/native.h"

namespace native {

int ReadSerialComm(SerialCommEntry* entries, int capacity) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    for (DWORD index = 0; count < capacity; ++index) {
        SerialCommEntry& entry = entries[count];
        DWORD nameChars = sizeof entry.device / sizeof entry.device[0];
        DWORD type = 0;
        // One character short, so that a value stored without its terminator still gets one.
        DWORD dataBytes = sizeof entry.port - sizeof entry.port[0];
        LONG result = RegEnumValueW(key, index, reinterpret_cast<wchar_t*>(entry.device), &nameChars, nullptr, &type,
                                    reinterpret_cast<BYTE*>(entry.port), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        // A value too long for a COM name, or of another type, names no port.
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        entry.port[dataBytes / sizeof entry.port[0]] = 0;
        ++count;
    }
    RegCloseKey(key);
    return count;
}

}  // namespace native
