// The port entry text: device name at characters 0 to 4, a blank, and for
// Bluetooth entries the marker "BT-" at characters 6 to 8.
#pragma once

#include "platform/types.h"

constexpr int DEVICE_NAME_CHARS = 5;
constexpr int BT_MARKER_POS = 6;
extern const WCHAR BT_MARKER[];  // "BT-"

// 1 when characters 6 to 8 of the entry are "BT-"; a shorter text is not one.
int IsBluetoothEntry(const WCHAR* entry);
