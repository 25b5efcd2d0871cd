// Serial devices: open by device name, line settings, time-outs, read,
// write, close.
//
// The handle returned by CreateFileW belongs to the caller until CloseHandle.
#pragma once

#include "platform/types.h"

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD MAXDWORD = 0xFFFFFFFF;

constexpr BYTE NOPARITY = 0;
constexpr BYTE ONESTOPBIT = 0;
constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_DISABLE = 0;

// Line settings, laid out as on the handheld.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28, "DCB is 28 bytes");

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};
static_assert(sizeof(COMMTIMEOUTS) == 20, "COMMTIMEOUTS is 20 bytes");

// Opens a registered device ("COM5:", in any case) exclusively.
// INVALID_HANDLE_VALUE when the device does not exist, is open already or
// cannot be opened.
HANDLE CreateFileW(const WCHAR* name, DWORD access, DWORD shareMode, void* security, DWORD disposition,
                   DWORD attributes, HANDLE templateFile);

// FALSE when the device refuses the settings; the port keeps its old ones.
// A Bluetooth virtual port (an RFCOMM link) has no line: speed, data bits,
// parity, stop bits, flow control and the modem lines are accepted and
// ignored.
BOOL SetCommState(HANDLE port, const DCB* dcb);
BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts);

// With ReadIntervalTimeout MAXDWORD and the other read time-outs 0, a read
// returns at once with what has arrived (possibly nothing). FALSE with
// *transferred 0 only when the line is gone (hung up, the adapter pulled
// out; for a Bluetooth port, also when the device went away or closed the
// link), never for a passing reason: the program then closes the port.
// Writes fail too.
BOOL ReadFile(HANDLE port, void* buffer, DWORD bytes, DWORD* transferred, void* overlapped);
BOOL WriteFile(HANDLE port, const void* buffer, DWORD bytes, DWORD* transferred, void* overlapped);

// Closes a port (or any other handle of this layer).
BOOL CloseHandle(HANDLE handle);
