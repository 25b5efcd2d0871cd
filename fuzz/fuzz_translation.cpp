// Fuzzes the terminal input translation: random byte streams, split into
// random ticks, some with bytes that arrive during the wait after a trailing
// ESC. Checks (besides the sanitizers) that the posted key and character
// messages match the byte-table model of the tests.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <deque>
#include <vector>

#include "keys/function_keys.h"
#include "keys/input_translation.h"
#include "platform/emulated/emulated.h"
#include "platform/window.h"
#include "tests/support/byte_table.h"

namespace {

constexpr DWORD kTickMs = 100;
constexpr DWORD kEscWaitMs = 5;
constexpr int kMaxTicks = 16;
constexpr const char16_t* kTerminal = u"COM1:";

struct Tick {
    std::vector<BYTE> bytes;  // on the line when the tick starts
    std::vector<BYTE> extra;  // arrives `extraAfter` ms into the tick
    DWORD extraAfter;
    bool failTarget;
    bool failReads;
};

std::vector<BYTE> Take(std::deque<BYTE>& line, size_t most) {
    std::vector<BYTE> taken;
    while (taken.size() < most && !line.empty()) {
        taken.push_back(line.front());
        line.pop_front();
    }
    return taken;
}

// The line between the ticks, with the byte-table model for each read.
KeyMessages Model(const std::vector<Tick>& ticks) {
    KeyMessages out;
    std::deque<BYTE> line;
    for (const Tick& tick : ticks) {
        line.insert(line.end(), tick.bytes.begin(), tick.bytes.end());
        bool extraOnLine = false;
        if (!tick.failReads) {
            std::vector<BYTE> read = Take(line, MODEL_BUFFER_BYTES);
            if (tick.failTarget) read.clear();
            KeyMessages posted = ModelTick(read, [&](size_t room) {
                if (tick.extraAfter <= kEscWaitMs) {
                    line.insert(line.end(), tick.extra.begin(), tick.extra.end());
                    extraOnLine = true;
                }
                return Take(line, room);
            });
            out.insert(out.end(), posted.begin(), posted.end());
        }
        if (!extraOnLine) line.insert(line.end(), tick.extra.begin(), tick.extra.end());
    }
    return out;
}

std::vector<Tick> ReadTicks(FuzzedDataProvider& data) {
    std::vector<Tick> ticks;
    while (data.remaining_bytes() > 0 && static_cast<int>(ticks.size()) < kMaxTicks) {
        BYTE flags = data.ConsumeIntegral<BYTE>();
        Tick tick;
        tick.bytes = data.ConsumeBytes<BYTE>(data.ConsumeIntegralInRange<size_t>(0, 300));
        tick.extra = data.ConsumeBytes<BYTE>(flags & 0x7);
        tick.extraAfter = 1 + ((flags >> 3) & 0x7);  // 1 to 8 ms: within the wait or just after
        tick.failTarget = (flags & 0xC0) == 0xC0;
        tick.failReads = (flags & 0xC0) == 0x40 && tick.bytes.size() % 7 == 0;
        ticks.push_back(tick);
    }
    return ticks;
}

// The program on the emulated handheld.
KeyMessages Run(const std::vector<Tick>& ticks) {
    EmuReset();
    g_rotationSupport = 255;
    EmuAddDevice(kTerminal);
    EmuSerialAddEndpoint(kTerminal);
    HANDLE port = CreateFileW(kTerminal, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    HWND app = EmuAddWindow(u"Notes", u"NotesWindow");
    EmuSetForeground(app);
    EmuSetKeyboardTarget(app);  // PF4 may close the foreground app; the keys still go here
    for (const Tick& tick : ticks) {
        DWORD start = EmuNow();
        EmuSerialArrive(kTerminal, start, tick.bytes);
        EmuSerialArrive(kTerminal, start + tick.extraAfter, tick.extra);
        EmuFailKeyboardTarget(tick.failTarget);
        EmuSerialFailReads(kTerminal, tick.failReads);
        PollTerminalInput(0, port);
        EmuAdvance(start + kTickMs - EmuNow());
    }
    return KeysPostedTo(app);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::vector<Tick> ticks = ReadTicks(data);
    if (!(Run(ticks) == Model(ticks))) std::abort();
    return 0;
}
