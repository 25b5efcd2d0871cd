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
    ModelLine state;
    for (const Tick& tick : ticks) {
        line.insert(line.end(), tick.bytes.begin(), tick.bytes.end());
        bool extraOnLine = false;
        if (tick.failReads) state = ModelLine{};
        if (!tick.failReads) {
            std::vector<BYTE> read = Take(line, MODEL_BUFFER_BYTES);
            if (tick.failTarget) read.clear();
            KeyMessages posted = ModelTick(
                read,
                [&](size_t room) {
                    if (tick.extraAfter <= kEscWaitMs) {
                        line.insert(line.end(), tick.extra.begin(), tick.extra.end());
                        extraOnLine = true;
                    }
                    return Take(line, room);
                },
                &state);
            out.insert(out.end(), posted.begin(), posted.end());
        }
        if (!extraOnLine) line.insert(line.end(), tick.extra.begin(), tick.extra.end());
    }
    return out;
}

// Up to `most` bytes into `out`, in its storage.
void ConsumeInto(FuzzedDataProvider& data, std::vector<BYTE>& out, size_t most) {
    out.resize(most);
    if (most > 0) out.resize(data.ConsumeData(out.data(), most));
}

// Fills the ticks kept from the last input, so that thousands of inputs a
// second do not each allocate them again.
const std::vector<Tick>& ReadTicks(FuzzedDataProvider& data) {
    static std::vector<Tick> ticks;
    size_t count = 0;
    while (data.remaining_bytes() > 0 && static_cast<int>(count) < kMaxTicks) {
        BYTE flags = data.ConsumeIntegral<BYTE>();
        if (count == ticks.size()) ticks.emplace_back();
        Tick& tick = ticks[count++];
        ConsumeInto(data, tick.bytes, data.ConsumeIntegralInRange<size_t>(0, 300));
        ConsumeInto(data, tick.extra, flags & 0x7);
        tick.extraAfter = 1 + ((flags >> 3) & 0x7);  // 1 to 8 ms: within the wait or just after
        tick.failTarget = (flags & 0xC0) == 0xC0;
        tick.failReads = (flags & 0xC0) == 0x40 && tick.bytes.size() % 7 == 0;
    }
    ticks.resize(count);
    return ticks;
}

// The program on the emulated handheld.
KeyMessages Run(const std::vector<Tick>& ticks) {
    EmuReset();
    ResetTerminalInput();
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
    const std::vector<Tick>& ticks = ReadTicks(data);
    if (!(Run(ticks) == Model(ticks))) std::abort();
    EmuReset();  // nothing of this input outlives it, so libFuzzer's leak check needs no second run
    return 0;
}
