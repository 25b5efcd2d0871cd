// The Caps Lock that the keyboards' lights show (the sysfs LED class). A
// Wayland compositor tells its lock state only to the program with the
// focus, but it lights every keyboard's Caps Lock from that same state.
#pragma once

enum class LockLight { DARK, LIT, NONE };

// LIT when a light named "*::capslock" is on, DARK when all such are off,
// NONE without any (a machine without keyboard lights, a headless one).
LockLight CapsLockLight();

// For tests: read sysfs below `sysRoot` instead of /sys; nullptr restores it.
void UseLockLightRoot(const char* sysRoot);
