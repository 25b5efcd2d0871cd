// TEMPORARY: failing stand-ins for x11 services that are still being written,
// so that the program links meanwhile. Each group is compiled only while its
// real library is missing (see dialog.cmake); delete the file when both exist.
#include "platform/bluetooth.h"
#include "platform/devices.h"
#include "platform/display.h"
#include "platform/registry.h"
#include "platform/serial.h"
#include "platform/sip.h"
#include "platform/x11/x11_desktop.h"

#ifdef TASTRA_PENDING_DESKTOP
bool X11DesktopOpen(const char*) { return false; }
void X11DesktopClose() {}
HWND X11FindTopLevel(const WCHAR*, const WCHAR*) { return 0; }
HWND X11ActiveWindow() { return 0; }
HWND X11KeyboardTarget() { return -1; }
bool X11ShowAndActivate(HWND) { return false; }
bool X11Activate(HWND) { return false; }
bool X11Hide(HWND) { return false; }
bool X11WindowExists(HWND) { return false; }
BOOL X11PostKeyMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void X11RequestClose(HWND) {}
#endif

#ifdef TASTRA_PENDING_DISPLAY
LONG ChangeDisplaySettingsEx(const WCHAR*, DEVMODEW*, HWND, DWORD, void*) { return -1; }
#endif

#ifdef TASTRA_PENDING_SIP
BOOL SHSipInfo(UINT, UINT, void*, UINT) { return FALSE; }
#endif

#ifdef TASTRA_PENDING_REGISTRY
LONG RegOpenKeyExW(HKEY, const WCHAR*, DWORD, DWORD, HKEY* result) {
    if (result != nullptr) *result = 0;
    return ERROR_FILE_NOT_FOUND;
}
LONG RegEnumKeyExW(HKEY, DWORD, WCHAR*, DWORD*) { return ERROR_NO_MORE_ITEMS; }
LONG RegQueryValueExW(HKEY, const WCHAR*, DWORD*, BYTE*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
LONG RegCloseKey(HKEY) { return ERROR_INVALID_HANDLE; }
#endif

#ifdef TASTRA_PENDING_DEVICES
HANDLE FindFirstFileExW(const WCHAR*, FINDEX_INFO_LEVELS, WIN32_FIND_DATAW*, FINDEX_SEARCH_OPS, void*, DWORD) {
    return INVALID_HANDLE_VALUE;
}
BOOL FindClose(HANDLE) { return FALSE; }
HANDLE RegisterDevice(const WCHAR*, DWORD, const WCHAR*, const void*, DWORD) { return INVALID_HANDLE_VALUE; }
BOOL DeregisterDevice(HANDLE) { return FALSE; }
#endif

#ifdef TASTRA_PENDING_SERIAL
HANDLE CreateFileW(const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
BOOL SetCommState(HANDLE, const DCB*) { return FALSE; }
BOOL SetCommTimeouts(HANDLE, const COMMTIMEOUTS*) { return FALSE; }
BOOL ReadFile(HANDLE, void*, DWORD, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    return FALSE;
}
BOOL WriteFile(HANDLE, const void*, DWORD, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    return FALSE;
}
BOOL CloseHandle(HANDLE) { return FALSE; }
#endif

#ifdef TASTRA_PENDING_BLUETOOTH
int BthGetMode(DWORD*) { return 1; }
int BthSetMode(DWORD) { return 1; }
#endif
