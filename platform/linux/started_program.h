// Programs that CreateProcessW (platform/system.h) started on the desktop
// in place of a handheld program, found by the handheld program's window
// class: the desktop's programs have windows of other classes.
#pragma once

#include "platform/types.h"

// Whether `windowClass` is the window class of a handheld program that
// stands for a program CreateProcessW started ("CPL_Bluetooth", the
// Bluetooth settings applet, for the Bluetooth manager), and that program
// still runs.
bool StartedProgramRunsFor(const WCHAR* windowClass);
