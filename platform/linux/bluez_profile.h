// Serial Port links to paired devices through BlueZ's profile API, which an
// ordinary user may call: the program registers a client profile for the
// Serial Port service (ProfileManager1.RegisterProfile), asks the device to
// connect it (Device1.ConnectProfile) and receives the connected RFCOMM
// socket in the profile's NewConnection call. bluetoothd reads the device's
// SDP record for the channel itself.
//
// The program has one thread and no bus loop: the bus is processed only
// inside BluezOpenSerialLink, for a bounded time. A link keeps its own bus
// connection, and with it the registered profile, until BluezCloseSerialLink;
// if the program dies, the bus drops the connection and BlueZ forgets the
// profile by itself. Failures are return values, never exceptions.
#pragma once

// An incoming and an outgoing port at most, and room to spare.
constexpr int BLUEZ_MAX_LINKS = 4;
// A device in range answers within the page time-out (5.12 s) and the SDP
// query that follows; one that has not answered by then is not coming.
constexpr int BLUEZ_CONNECT_WAIT_MS = 6000;

// Connects the paired device at `address` ("AA:BB:CC:DD:EE:FF", any case).
// Returns the link's number, or -1 when BlueZ or the device is missing, BlueZ
// refuses the profile or the connection, or no socket came within the wait;
// nothing stays registered or open then.
int BluezOpenSerialLink(const char* address);

// The link's connected stream socket, non-blocking; it belongs to the link.
// -1 for a number that is no open link.
int BluezSerialLinkSocket(int link);

// Unregisters the profile, drops the bus connection and closes the socket.
// A link number that is not open is ignored.
void BluezCloseSerialLink(int link);

// For tests: how long BluezOpenSerialLink waits, in ms; 0 restores
// BLUEZ_CONNECT_WAIT_MS.
void UseBluezConnectWait(int ms);
