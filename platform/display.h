// Display settings: the test for, and the change of, the screen orientation.
#pragma once

#include "platform/types.h"

constexpr DWORD DM_DISPLAYORIENTATION = 0x00800000;
constexpr DWORD DM_DISPLAYQUERYORIENTATION = 0x01000000;
constexpr DWORD DMDO_0 = 0;
constexpr DWORD DMDO_90 = 1;
constexpr DWORD DMDO_180 = 2;
constexpr DWORD DMDO_270 = 4;
constexpr DWORD CDS_TEST = 0x2;
constexpr DWORD CDS_RESET = 0x40000000;
constexpr LONG DISP_CHANGE_SUCCESSFUL = 0;
constexpr LONG DISP_CHANGE_FAILED = -1;
constexpr LONG DISP_CHANGE_BADMODE = -2;

// The wide display record, 192 bytes, as on the handheld.
struct DEVMODEW {
    WCHAR dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    short dmOrientation;
    short dmPaperSize;
    short dmPaperLength;
    short dmPaperWidth;
    short dmScale;
    short dmCopies;
    short dmDefaultSource;
    short dmPrintQuality;
    short dmColor;
    short dmDuplex;
    short dmYResolution;
    short dmTTOption;
    short dmCollate;
    WCHAR dmFormName[32];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
    DWORD dmDisplayOrientation;
};
static_assert(sizeof(DEVMODEW) == 192, "DEVMODEW is 192 bytes");
static_assert(offsetof(DEVMODEW, dmFields) == 72, "dmFields at 72");
static_assert(offsetof(DEVMODEW, dmDisplayOrientation) == 188, "dmDisplayOrientation at 188");

// With DM_DISPLAYQUERYORIENTATION and CDS_TEST: DISP_CHANGE_SUCCESSFUL when
// the orientation can be changed. With DM_DISPLAYORIENTATION and CDS_TEST:
// reads the current orientation into dmDisplayOrientation. With
// DM_DISPLAYORIENTATION and CDS_RESET: turns the screen to dmDisplayOrientation
// and announces WM_SETTINGCHANGE to the top-level windows.
LONG ChangeDisplaySettingsEx(const WCHAR* deviceName, DEVMODEW* mode, HWND window, DWORD flags, void* param);
