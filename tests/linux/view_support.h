// What the tests of the machine's registry, device and Bluetooth views share.
#pragma once

#include <string>
#include <vector>

// Wide text as 8-bit text, '?' for what Latin-1 lacks; for comparisons.
std::string Narrow(const std::u16string& s);

// The port list that the core builds into the dialog (on the emulated window
// manager), in list order: the active drivers when `withActive`, then the
// Bluetooth entries.
std::vector<std::string> BuildPortList(bool withActive);

// How many descriptors this process holds open.
int OpenDescriptors();
