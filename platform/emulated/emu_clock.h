// The virtual clock: Sleep, timers and scripted events advance it; nothing
// ever waits for real time.
#pragma once

#include <functional>

#include "platform/types.h"

void EmuResetClock();
DWORD EmuNow();

// Moves the clock forward, running every scheduled action that falls due,
// in time order, with the clock at its due time.
void EmuAdvance(DWORD milliseconds);

// Runs `action` when the clock reaches `at` (at once on the next advance if
// `at` has passed). Actions scheduled for the same time run in order.
void EmuSchedule(DWORD at, std::function<void()> action);

// The due time of the earliest pending action; false when there is none.
bool EmuNextScheduled(DWORD* at);

// Total milliseconds slept through Sleep.
DWORD EmuSleptMilliseconds();
