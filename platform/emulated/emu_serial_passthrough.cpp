// Implements EmuSerialPassThrough of platform/emulated/emu_serial.h over the host's termios serial lines.
#include "platform/emulated/emu_serial.h"
#include "platform/emulated/emu_serial_host.h"
#include "platform/linux/serial_host.h"

namespace {
const EmuSerialHostOps HOST_SERIAL = {SerialHostOpen, SerialHostApplyDcb, SerialHostApplyTimeouts,
                                      SerialHostRead, SerialHostWrite,    SerialHostClose};
}

void EmuSerialPassThrough(const std::u16string& deviceName, const std::string& hostPath) {
    EmuSerialAttachHost(deviceName, hostPath, &HOST_SERIAL);
}
