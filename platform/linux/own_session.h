// Starting a helper program (an on-screen keyboard) that the desktop
// backends keep as their child.
#pragma once

#include <sys/types.h>

// Starts `argv[0]`, searched on PATH, with `argv` in a session of its own,
// so that no signal meant for our terminal reaches it. Its process id, or 0
// when it could not start.
pid_t StartInOwnSession(char* const argv[]);
