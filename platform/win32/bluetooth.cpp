// Implements platform/bluetooth.h on Windows: Windows gives programs no
// switch for the radio, and it connects its Bluetooth serial ports by
// itself when they are opened. Both calls fail, so the core never turns
// off a radio the user's other devices depend on.
#include "platform/bluetooth.h"

namespace {
constexpr int kNotSupported = 50;  // ERROR_NOT_SUPPORTED
}  // namespace

int BthGetMode(DWORD*) { return kNotSupported; }
int BthSetMode(DWORD) { return kNotSupported; }
