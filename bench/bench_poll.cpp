// One full poll tick (260 bytes) of the input translation on the emulated
// handheld. The time includes the emulated platform: the scripted port and
// the window manager's log of every posted message.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "keys/input_translation.h"
#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_window.h"
#include "platform/window.h"
#include "tests/keys/fake_port.h"

namespace {

// Typing with the odd cursor key, Return, Backspace, Latin-1 and Ctrl
// characters, and sequences that post nothing.
std::vector<BYTE> MixedTick() {
    const std::string pattern =
        "The quick brown fox\r\n\x1b[A\x1b[D\x08\x08jumps \xe4\xf6\xfc\x80 over\t\x01\x02\x1bOA\x1b[2~\x7f lazy dogs. ";
    std::string tick;
    while (tick.size() < RECEIVE_BUFFER_BYTES) tick += pattern;
    tick.resize(RECEIVE_BUFFER_BYTES);
    if (tick.back() == '\x1b') tick.back() = '.';  // no wait for the rest of a sequence
    return std::vector<BYTE>(tick.begin(), tick.end());
}

std::vector<BYTE> AsciiTick() { return std::vector<BYTE>(RECEIVE_BUFFER_BYTES, 'a'); }

void RunTicks(benchmark::State& state, const std::vector<BYTE>& tick) {
    EmuResetClock();
    EmuResetWindows();
    FakePortReset();
    HWND app = EmuAddWindow(u"Notes", u"NotesWindow");
    EmuSetForeground(app);
    size_t messages = 0;
    for (auto _ : state) {
        FakePortScriptRead(tick);
        PollTerminalInput(0, FAKE_PORT_HANDLE);
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
