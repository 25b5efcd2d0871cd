// Inside the emulated serial service: the hooks through which an endpoint
// reaches a host path. The pass-through library fills them with the real
// serial service, so the plain emulated handheld does not depend on it.
#pragma once

#include <cstddef>
#include <string>

#include "platform/serial.h"

struct EmuSerialHostOps {
    int (*open)(const char* path);  // a descriptor, or -1
    bool (*applyDcb)(int fd, const DCB& dcb);
    bool (*applyTimeouts)(int fd, const COMMTIMEOUTS& timeouts);
    long (*read)(int fd, void* buffer, size_t bytes);  // -1 on failure
    long (*write)(int fd, const void* buffer, size_t bytes);
    void (*close)(int fd);
};

// Makes `deviceName` an endpoint that opens `hostPath` through `ops`.
void EmuSerialAttachHost(const std::u16string& deviceName, const std::string& hostPath, const EmuSerialHostOps* ops);
