// The screen on a wlroots compositor (output management): its size, and the
// turn of the first enabled output. Used by the display and on-screen
// keyboard services of the wayland desktop.
#pragma once

#include "platform/types.h"

// wl_output transforms; what the compositor accepts is its to say.
constexpr int WAYLAND_TRANSFORM_NORMAL = 0;
constexpr int WAYLAND_TRANSFORM_270 = 3;

enum class WaylandOutputResult { APPLIED, REFUSED, NO_OUTPUT };

// The first enabled output's transform and its size in pixels as shown
// (turned by the transform); false when there is none.
bool WaylandOutputState(int* transform, int* width, int* height);

// Asks the compositor to turn the first enabled output, every other output
// kept as it is: `testOnly` only asks whether it would accept it.
WaylandOutputResult WaylandTurnOutput(int transform, bool testOnly);
