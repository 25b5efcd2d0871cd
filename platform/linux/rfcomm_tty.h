// RFCOMM ttys made and removed as `rfcomm bind` and `rfcomm release` do: a
// /dev/rfcommN bound to a remote device's channel, which the kernel
// connects when the tty is opened.
#pragma once

#include <cstdint>

// The number N of the new tty, or -1 (no Bluetooth in the kernel, no
// permission, a channel the kernel refuses). `remoteAddress` holds the
// 48-bit device address in its low bits.
int RfcommBind(uint64_t remoteAddress, int channel);

bool RfcommRelease(int tty);
