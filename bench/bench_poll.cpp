// One full poll tick (260 bytes) of the input translation on the emulated
// handheld. The time includes the emulated platform: the serial endpoint and
// the window manager's log of every posted message.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "keys/input_translation.h"
#include "platform/emulated/emulated.h"
#include "platform/window.h"

namespace {

// Typing with the odd cursor key, Return, Backspace, Latin-1 and Ctrl
// characters, and sequences that post nothing.
std::vector<BYTE> MixedTick() {
    const std::string pattern =
        "The quick brown fox\r\n\x1b[A\x1b[D\x08\x08jumps \xe4\xf6\xfc\x80 over\t\x01\x02\x1bOA\x1b[2~\x7f lazy dogs. ";
    std::string tick;
    while (tick.size() < RECEIVE_BUFFER_BYTES)
        tick += pattern;
    tick.resize(RECEIVE_BUFFER_BYTES);
    if (tick.back() == '\x1b') tick.back() = '.';  // no wait for the rest of a sequence
    return std::vector<BYTE>(tick.begin(), tick.end());
}

std::vector<BYTE> AsciiTick() { return std::vector<BYTE>(RECEIVE_BUFFER_BYTES, 'a'); }

void RunTicks(benchmark::State& state, const std::vector<BYTE>& tick) {
    EmuReset();
    EmuAddDevice(u"COM1:");
    EmuSerialAddEndpoint(u"COM1:");
    HANDLE port = CreateFileW(u"COM1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    HWND app = EmuAddWindow(u"Notes", u"NotesWindow");
    EmuSetForeground(app);
    size_t messages = 0;
    for (auto _ : state) {
        EmuSerialArrive(u"COM1:", EmuNow(), tick);
        PollTerminalInput(0, port);
        messages = EmuMessageLog().size();
        EmuClearMessageLog();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(tick.size()));
    state.counters["messages_per_tick"] = static_cast<double>(messages);
}

void BM_PollFullTickMixed(benchmark::State& state) { RunTicks(state, MixedTick()); }
void BM_PollFullTickAscii(benchmark::State& state) { RunTicks(state, AsciiTick()); }

}  // namespace

BENCHMARK(BM_PollFullTickMixed);
BENCHMARK(BM_PollFullTickAscii);
BENCHMARK_MAIN();
