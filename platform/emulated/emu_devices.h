// The emulated device manager: registered device names and driver
// registrations with their parameter records.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

void EmuResetDevices();
void EmuAddDevice(const std::u16string& name);  // "COM1:"
void EmuRemoveDevice(const std::u16string& name);
bool EmuDeviceRegistered(const std::u16string& name);
int EmuOpenSearchCount();  // device searches not yet closed

struct EmuRegistration {
    std::u16string prefix;
    DWORD index;
    std::u16string library;
    std::vector<BYTE> record;
    bool active;  // false once deregistered
};
const std::vector<EmuRegistration>& EmuRegistrations();
// The next RegisterDevice calls return INVALID_HANDLE_VALUE.
void EmuFailRegistration(bool fail);
// A successful registration also creates its device (prefix, index, colon),
// as the port-emulation driver does; off, the handle is returned but no device appears.
void EmuRegistrationCreatesDevice(bool creates);
