// Emulated serial endpoints behind device names: scripted terminals that
// capture what is written, deliver bytes at given virtual times, fail on
// demand and log every call; or a pass-through to a host path such as a
// pseudo-terminal.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/serial.h"

void EmuResetSerial();

// An endpoint for `deviceName` ("COM1:"); it is opened by CreateFileW when
// the device is registered (emu_devices.h). Opens are exclusive: a second
// open of an open endpoint fails. Every scripting call below declares the
// endpoint too.
void EmuSerialAddEndpoint(const std::u16string& deviceName);
void EmuSerialFailOpen(const std::u16string& deviceName, int times);  // the next `times` opens fail
void EmuSerialFailWrites(const std::u16string& deviceName, bool fail);
void EmuSerialFailReads(const std::u16string& deviceName, bool fail);
// SetCommState and SetCommTimeouts return FALSE and record nothing.
void EmuSerialFailSettings(const std::u16string& deviceName, bool fail);
// Bytes the terminal sends, readable from `at` on the virtual clock.
void EmuSerialArrive(const std::u16string& deviceName, DWORD at, const std::vector<BYTE>& bytes);
// Everything written, and when.
struct EmuWrite {
    DWORD time;
    std::vector<BYTE> bytes;
};
const std::vector<EmuWrite>& EmuSerialWrites(const std::u16string& deviceName);
std::vector<BYTE> EmuSerialWrittenBytes(const std::u16string& deviceName);
int EmuSerialOpenCount(const std::u16string& deviceName);     // successful opens so far
int EmuSerialOpenAttempts(const std::u16string& deviceName);  // every CreateFileW of the name
int EmuSerialCloseCount(const std::u16string& deviceName);
bool EmuSerialIsOpen(const std::u16string& deviceName);
// The arguments of the last CreateFileW of the name.
struct EmuOpenRequest {
    DWORD access;
    DWORD shareMode;
    DWORD disposition;
    DWORD attributes;
};
EmuOpenRequest EmuSerialLastOpen(const std::u16string& deviceName);
DCB EmuSerialLastDcb(const std::u16string& deviceName);
COMMTIMEOUTS EmuSerialLastTimeouts(const std::u16string& deviceName);
int EmuSerialSettingsCount(const std::u16string& deviceName);  // successful SetCommState calls
// Unread bytes that have arrived by now.
size_t EmuSerialPending(const std::u16string& deviceName);
// Handles opened and not yet closed, over all endpoints.
int EmuSerialOpenHandles();

// Every read, write and close on the endpoint's handles, in order.
enum EmuSerialCallKind { EMU_SERIAL_READ, EMU_SERIAL_WRITE, EMU_SERIAL_CLOSE };
struct EmuSerialCall {
    EmuSerialCallKind kind;
    DWORD time;
    DWORD requested;  // bytes asked to read or write
    DWORD transferred;
};
const std::vector<EmuSerialCall>& EmuSerialCalls(const std::u16string& deviceName);
int EmuSerialReadCount(const std::u16string& deviceName);
// Calls of the serial service with a handle that is not open: a port used
// after its close.
int EmuSerialStrayCalls();
// `probe` runs at the start of every later read, write or close of the
// endpoint, so a test can look at the rest of the handheld at that moment
// (was the timer still running when the farewell went out?).
void EmuSerialWatch(const std::u16string& deviceName, std::function<void(EmuSerialCallKind)> probe);

// The device reads and writes a host path (a pseudo-terminal) through the
// real serial service; writes are captured as well. Needs the device to be
// registered like any other endpoint.
void EmuSerialPassThrough(const std::u16string& deviceName, const std::string& hostPath);
