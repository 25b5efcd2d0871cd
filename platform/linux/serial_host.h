// Serial lines of the host, by path: the termios layer beneath the Linux
// serial service (platform/linux/serial.cpp) and the emulated pass-through.
//
// A descriptor returned by SerialHostOpen belongs to the caller until
// SerialHostClose. Nothing here blocks for long: reads never wait, writes
// wait only a bounded time for a stalled line. No X is needed.
#pragma once

#include <cstddef>

#include "platform/serial.h"

// Opens `path` for reading and writing without making it the controlling
// terminal, non-blocking and exclusive: a path (or another name of the same
// device) that this or a cooperating process holds open fails. -1 on failure.
int SerialHostOpen(const char* path);

// Applies the line settings of `dcb`: raw bytes, receiver on, modem lines
// ignored, the DCB's speed, data bits, parity, stop bits and flow control;
// DTR and RTS dropped when the DCB disables them. Every speed of the speed
// list works, the non-standard ones included. false when the device refuses
// the settings or the DCB asks for something the line cannot do (a speed
// the driver does not hold among them); the line is then raw 8N1 without
// flow control at the speed it had before.
bool SerialHostApplyDcb(int fd, const DCB& dcb);

// Reads never wait on this layer; true only for time-outs that ask for
// exactly that (ReadIntervalTimeout MAXDWORD, the other read values 0).
// Write time-outs are not used: writes wait a bounded time of their own.
bool SerialHostApplyTimeouts(int fd, const COMMTIMEOUTS& t);

// The bytes that have arrived, up to n: 0 at once when nothing is pending,
// -1 when the line is gone (hang-up, device removed, far end closed).
long SerialHostRead(int fd, void* buf, size_t n);

// Writes all n bytes and returns n, or -1 when the line is gone or takes no
// byte for SERIAL_HOST_WRITE_STALL_MS.
long SerialHostWrite(int fd, const void* buf, size_t n);
constexpr int SERIAL_HOST_WRITE_STALL_MS = 2000;

void SerialHostClose(int fd);
