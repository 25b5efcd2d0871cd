// The emulated handheld's desk for the window suite: its loop runs on the
// emulated clock, so nothing waits.
#include "platform/emulated/emulated.h"
#include "tests/contract/desk.h"

bool OpenDesk() {
    EmuReset();
    return true;
}

void CloseDesk() { EmuReset(); }

bool NextMessage(MSG* message) { return GetMessageW(message, 0, 0, 0) != 0; }

bool WaitFor(const std::function<bool()>& condition) { return condition(); }
