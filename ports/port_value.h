// The "Port" value of a configured Bluetooth serial port: a device name
// without its colon, such as COM5.
#pragma once

#include "platform/types.h"

constexpr int PORT_VALUE_CHARS = 4;
constexpr int PORT_DIGIT_POS = 3;
// Read with this capacity, so a longer text reads as absent.
constexpr DWORD PORT_VALUE_BYTES = 12;

// 1 with the "Port" text of `portKey` in `port` (PORT_VALUE_CHARS + 1
// characters) when it names a device: exactly four characters, the fourth a
// decimal digit. Anything else would give an entry or index naming no
// device, so it reads as absent (0, `port` empty).
int ReadPortValue(HKEY portKey, WCHAR* port);
