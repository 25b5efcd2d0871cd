// Puts the whole emulated handheld back to a fresh device.
#include "platform/emulated/emulated.h"

void EmuReset() {
    EmuResetClock();
    EmuResetWindows();
    EmuResetSystem();
    EmuResetProcesses();
    EmuResetRegistry();
    EmuResetDevices();
    EmuResetSerial();
    EmuResetBluetooth();
    EmuResetDisplay();
    EmuResetSip();
}
