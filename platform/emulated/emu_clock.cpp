// Implements Sleep and GetTickCount of platform/system.h on the virtual clock.
#include "platform/emulated/emu_clock.h"

#include <map>

#include "platform/system.h"

namespace {
struct ClockState {
    DWORD now = 0;
    DWORD slept = 0;
    unsigned long long sequence = 0;
    // Keyed by (due time, order of scheduling) so equal times keep their order.
    std::map<std::pair<DWORD, unsigned long long>, std::function<void()>> pending;
};
ClockState g_clock;
}  // namespace

void EmuResetClock() { g_clock = ClockState(); }
DWORD EmuNow() { return g_clock.now; }
DWORD EmuSleptMilliseconds() { return g_clock.slept; }

void EmuSchedule(DWORD at, std::function<void()> action) {
    g_clock.pending.emplace(std::make_pair(at, g_clock.sequence++), std::move(action));
}

bool EmuNextScheduled(DWORD* at) {
    if (g_clock.pending.empty()) return false;
    *at = g_clock.pending.begin()->first.first;
    return true;
}

void EmuAdvance(DWORD milliseconds) {
    DWORD end = g_clock.now + milliseconds;
    while (!g_clock.pending.empty() && g_clock.pending.begin()->first.first <= end) {
        auto first = g_clock.pending.begin();
        std::function<void()> action = std::move(first->second);
        if (first->first.first > g_clock.now) g_clock.now = first->first.first;
        g_clock.pending.erase(first);
        action();
    }
    if (end > g_clock.now) g_clock.now = end;
}

void Sleep(DWORD milliseconds) {
    g_clock.slept += milliseconds;
    EmuAdvance(milliseconds);
}

DWORD GetTickCount() { return g_clock.now; }
