// The machine's serial lines under handheld device names COM0: to COM9:,
// read fresh from the system at every call.
//
// Three sources, in this order of precedence:
//  - claimed lines: the RFCOMM sockets that the port-emulation driver
//    connected, each at the index it was registered for.
//  - attached lines: entries com0 ... com9 in the devices folder
//    ${XDG_CONFIG_HOME:-$HOME/.config}/tastra/devices/, usually symlinks to a
//    tty (/dev/ttyUSB0, /dev/pts/3). Each keeps its own index; a link whose
//    target is missing still holds its index but is not listed.
//  - real lines found in sysfs: USB adapters (ttyUSB*, ttyACM*), UARTs with
//    hardware behind them, bound RFCOMM ttys. They take the indexes that are
//    left, in the order of their names (ttyUSB2 before ttyUSB10); a line that
//    an attached entry already names is not listed twice.
// No X and no heap; a scan costs one directory walk of /sys/class/tty.
#pragma once

#include <cstddef>

#include "platform/types.h"

constexpr int VIEW_MAX_PORTS = 10;
constexpr int VIEW_PATH_CHARS = 200;

struct ViewPort {
    int index;                          // the digit of COMn:
    char hostPath[VIEW_PATH_CHARS];     // what the serial layer opens; empty for a socket
    int socket;                         // a claimed connected socket, else -1
    char description[VIEW_PATH_CHARS];  // the last component of the driver's key
    bool attached;                      // from the devices folder
};

// Fills `ports` in index order; returns how many there are.
int ScanDeviceView(ViewPort ports[VIEW_MAX_PORTS]);

// The port named `deviceName` ("COM3:", the prefix in any case); false when
// the name is malformed or nothing answers to it.
bool FindViewPort(const WCHAR* deviceName, ViewPort* port);

// Names the connected `socket` COM`index`: until ReleaseViewIndex, and
// ahead of whatever else would take that index, the view lists it with
// `description` and the serial layer opens it. The socket stays the
// caller's. false when the index is out of range or claimed already.
bool ClaimViewSocket(int index, int socket, const char* description);
void ReleaseViewIndex(int index);

// Whether a bound RFCOMM tty (/dev/rfcommN, listed as a line of its own)
// leads to the device `address` ("AA:BB:CC:DD:EE:FF", any case).
bool RfcommTtyBoundTo(const char* address);

// The devices folder, without trailing slash; false when neither
// XDG_CONFIG_HOME nor HOME gives one.
bool GetDevicesFolder(char* path, size_t capacity);

// For tests: read sysfs below `sysRoot` instead of /sys and device nodes in
// `devRoot` instead of /dev; nullptr restores the real ones.
void UseDeviceViewRoots(const char* sysRoot, const char* devRoot);
