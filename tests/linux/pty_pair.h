// A pseudo-terminal pair for tests of the serial line: the master plays the
// terminal, the slave path is the line the program opens.
#pragma once

#include <cstddef>
#include <string>

struct PtyPair {
    int master = -1;
    std::string slavePath;
};

// Opens a fresh pair; the master is non-blocking. false on failure.
bool OpenPtyPair(PtyPair& pair);
void ClosePtyMaster(PtyPair& pair);

// Reads from `master` (or any descriptor) until `n` bytes have come, the far
// end has closed or `timeoutMs` has passed, waiting with poll. Returns the
// bytes read.
std::string ReadFromMaster(int master, size_t n, int timeoutMs);
// Writes all bytes to the master, waiting with poll when it is full.
bool WriteToMaster(int master, const std::string& bytes, int timeoutMs);

// Milliseconds on a monotonic clock.
long NowMs();

// The line's input and output speed and flags read back from the kernel.
struct LineSettings {
    unsigned ispeed, ospeed;
    bool raw8n1, noFlowControl, localAndReceiver, neverWaits;
};
bool ReadLineSettings(int fd, LineSettings& out);
