// The program's dialog on each backend's desk for the window suite
// (emulated_desk.cpp, x11_desk.cpp): opening and clearing it, and running
// its message loop with a generous time-out where time is real.
#pragma once

#include <functional>

#include "platform/window.h"

bool OpenDesk();
// Destroys the dialog with its timers and queued messages.
void CloseDesk();

// The loop's next message as GetMessageW gives it; false for WM_QUIT, when
// nothing can come, or when nothing came within a generous time.
bool NextMessage(MSG* message);

// Lets the desk run until `condition` holds or a generous time has passed.
bool WaitFor(const std::function<bool()>& condition);
