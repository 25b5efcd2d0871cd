// The serial ports Windows lists, as the core names them: COM0: to COM9:.
#pragma once

#include "platform/types.h"

constexpr int VIEW_MAX_PORTS = 10;
constexpr int VIEW_DESCRIPTION_CHARS = 64;

struct ViewPort {
    int index;                                  // the digit of COMn:
    WCHAR description[VIEW_DESCRIPTION_CHARS];  // the device's own name: Serial0, VCP0, BthModem0
};

// The ports of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM with a one-digit COM
// number, ordered by it; the first listed wins a number given twice.
// Returns how many were written.
int ScanSerialPorts(ViewPort ports[VIEW_MAX_PORTS]);

// Parses "COM5" (any case) to 5; -1 for anything else, COM10 and above included.
int ComIndexOf(const WCHAR* port);
