// The RFCOMM channel of a paired device's Serial Port service, from the SDP
// records that bluetoothd keeps in /var/lib/bluetooth/<adapter>/cache/<device>
// ([ServiceRecords], one hex-encoded record per line). BlueZ's D-Bus
// interface does not tell the channel, and nothing else on the machine does.
#pragma once

// The channel (1 to 30) of the first Serial Port record that names one; 0
// when there is no cache file, no such record or no RFCOMM channel in it.
int ReadSerialPortChannel(const char* adapterAddress, const char* deviceAddress);

// For tests: read the adapters' folders below `root` instead of
// /var/lib/bluetooth; nullptr restores the real one.
void UseBluetoothStateRoot(const char* root);
