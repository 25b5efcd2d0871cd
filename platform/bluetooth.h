// The Bluetooth radio, and the parameter record of the port-emulation
// driver that RegisterDevice (devices.h) loads for a virtual serial port.
#pragma once

#include "platform/types.h"

constexpr DWORD BTH_POWER_OFF = 0;
constexpr DWORD BTH_CONNECTABLE = 1;
constexpr DWORD BTH_DISCOVERABLE = 2;

constexpr int RFCOMM_CHANNEL_MULTIPLE = 0xFE;

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");

// Little-endian, every byte written by the program.
//
// A backend whose Bluetooth stack finds the remote device's channel itself
// when it connects (BlueZ on Linux) ignores `channel` for an outgoing port;
// its registry then gives RFCOMM_CHANNEL_MULTIPLE as the Serial Port
// service's "channel", since the real one is not known before connecting.
struct PORTEMUPortParams {
    int channel;
    int flocal;
    uint64_t device;  // 48-bit address in the low bits; the top 16 bits stay 0
    int imtu;
    int iminmtu;
    int imaxmtu;
    int isendquota;
    int irecvquota;
    GUID uuidService;
    unsigned int uiportflags;
};
static_assert(sizeof(PORTEMUPortParams) == 56, "PORTEMUPortParams is 56 bytes");
static_assert(offsetof(PORTEMUPortParams, device) == 8, "device at 8");
static_assert(offsetof(PORTEMUPortParams, imtu) == 16, "imtu at 16");
static_assert(offsetof(PORTEMUPortParams, uuidService) == 36, "uuidService at 36");
static_assert(offsetof(PORTEMUPortParams, uiportflags) == 52, "uiportflags at 52");

// 0 on success; any other value is a failure (the mode is then not known).
int BthGetMode(DWORD* mode);
// Switches the radio to `mode` (BTH_POWER_OFF, BTH_CONNECTABLE or
// BTH_DISCOVERABLE; any other value fails). 0 on success.
//
// BTH_POWER_OFF ends the program's use of the radio. A radio that is the
// program's alone (the handheld's) is switched off. A radio shared with
// other programs (a desktop's adapter, with the user's headset on it) is
// given back as the backend found it before its first switch since the last
// BTH_POWER_OFF: a radio that was on stays on in its old mode, and one that
// the program never switched is left as it is. Which of the two radios it
// has is the backend's decision, the only one here; the core calls both alike.
int BthSetMode(DWORD mode);
