// The emulated handheld: the test bench's control panel.
//
// Each service has its own header with functions to script situations and
// to read what the program did; EmuReset puts every service back to a fresh
// device (empty registry, no devices, clock at 0, nothing logged).
#pragma once

#include "platform/emulated/emu_bluetooth.h"
#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_devices.h"
#include "platform/emulated/emu_display.h"
#include "platform/emulated/emu_registry.h"
#include "platform/emulated/emu_serial.h"
#include "platform/emulated/emu_sip.h"
#include "platform/emulated/emu_system.h"
#include "platform/emulated/emu_window.h"

void EmuReset();
