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

// Three requests, told apart by dmFields and flags, each exactly as below;
// any other is DISP_CHANGE_BADMODE, and a null record or a dmSize other
// than sizeof(DEVMODEW) is DISP_CHANGE_FAILED, the record left alone.
//  - DM_DISPLAYQUERYORIENTATION with CDS_TEST, the capability test: writes
//    the orientations other than DMDO_0 that the screen can take, as DMDO_
//    bits, into dmDisplayOrientation (0 when it cannot turn at all). The
//    program turns between DMDO_0 and DMDO_270 only, so the answer is
//    DISP_CHANGE_SUCCESSFUL when DMDO_270 is among them, else
//    DISP_CHANGE_BADMODE. A backend answers "not supported" only when it has
//    no means to turn the screen (no rotation extension, an output that
//    cannot turn), never because a later turn might fail.
//  - DM_DISPLAYORIENTATION with CDS_TEST: the current orientation into
//    dmDisplayOrientation.
//  - DM_DISPLAYORIENTATION with CDS_RESET: turns the screen to
//    dmDisplayOrientation and announces WM_SETTINGCHANGE to the top-level
//    windows, also when it stood there already. DMDO_0 can always be taken;
//    a value that the capability test did not report, or that names no
//    orientation, is DISP_CHANGE_BADMODE and changes and announces nothing.
//    DISP_CHANGE_FAILED when the screen refused the turn.
LONG ChangeDisplaySettingsEx(const WCHAR* deviceName, DEVMODEW* mode, HWND window, DWORD flags, void* param);
