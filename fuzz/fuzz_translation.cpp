// Fuzzes the terminal input translation: random byte streams, split into
// random ticks, some with bytes that arrive during the wait after a trailing
// ESC. Checks (besides the sanitizers) that the posted key and character
// messages match a small model of the byte rules written here on its own.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <deque>
#include <span>
#include <vector>

#include "keys/function_keys.h"
#include "keys/input_translation.h"
#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_display.h"
#include "platform/emulated/emu_sip.h"
#include "platform/emulated/emu_window.h"
#include "platform/window.h"
#include "tests/keys/fake_port.h"

namespace {

constexpr size_t kBufferBytes = 260;
constexpr DWORD kTickMs = 100;
constexpr DWORD kEscWaitMs = 5;
constexpr size_t kMaxTicks = 16;

struct Msg {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Tick {
    std::vector<BYTE> bytes;  // on the line when the tick starts
    std::vector<BYTE> extra;  // arrives `extraAfter` ms into the tick
    DWORD extraAfter;
    bool failTarget;
    bool failReads;
};

// ---- the model -------------------------------------------------------------

void ModelPress(std::vector<Msg>& out, WPARAM key) {
    out.push_back({WM_KEYDOWN, key, 1});
    out.push_back({WM_KEYUP, key, static_cast<LPARAM>(0xC0000001)});
}

void ModelChar(std::vector<Msg>& out, WPARAM c) { out.push_back({WM_CHAR, c, 1}); }

// One byte other than ESC, from the terminal's byte table.
void ModelByte(std::vector<Msg>& out, BYTE b) {
    static const WORD ctrlChars[32] = {0,      0x00AA, 0x00BD, 0x00A9, 0x2206, 0,      0,      0x2265,
                                       0x0008, 0x0009, 0,      0,      0x00A3, 0x000D, 0,      0x00B9,
                                       0x00B1, 0,      0x00AE, 0x2264, 0x00BE, 0x221E, 0x00BC, 0x00A4,
                                       0x00D7, 0x00A5, 0x00F7, 0,      0,      0,      0,      0};
    if (b == 0x05) ModelPress(out, 0x23);
    if (b == 0x08) ModelPress(out, 0x08);
    if (b == 0x09) ModelPress(out, 0x09);
    if (b == 0x0D) ModelPress(out, 0x0D);
    if (b == 0x11) ModelPress(out, 0x24);
    if (b == 0x7F) {
        ModelPress(out, 0x2E);
        return;
    }
    WORD c = b < 32 ? ctrlChars[b] : b == 0x80 ? 0x20AC : b;
    if (c != 0) ModelChar(out, c);
}

WPARAM ModelCursorKey(BYTE final) {
    const char* finals = "ABCDHK";
    const WPARAM keys[] = {0x26, 0x28, 0x27, 0x25, 0x24, 0x23};
    for (int i = 0; i < 6; ++i)
        if (final == static_cast<BYTE>(finals[i])) return keys[i];
    return 0;
}

// Moves bytes from the line's front to `buf` until it holds `most`.
void Take(std::deque<BYTE>& line, std::vector<BYTE>& buf, size_t most) {
    while (buf.size() < most && !line.empty()) {
        buf.push_back(line.front());
        line.pop_front();
    }
}

// Writes the expected messages to `out`; the buffers are the caller's so that
// thousands of inputs a second do not each allocate them again.
void Model(std::span<const Tick> ticks, std::vector<Msg>& out, std::deque<BYTE>& line, std::vector<BYTE>& buf) {
    out.clear();
    line.clear();
    for (const Tick& tick : ticks) {
        line.insert(line.end(), tick.bytes.begin(), tick.bytes.end());
        bool extraOnLine = false;
        bool waited = false;
        if (tick.failReads) {
            line.insert(line.end(), tick.extra.begin(), tick.extra.end());
            continue;
        }
        buf.clear();
        Take(line, buf, kBufferBytes);
        if (tick.failTarget) buf.clear();
        size_t i = 0;
        while (i < buf.size()) {
            if (buf[i] != 0x1B) {
                ModelByte(out, buf[i]);
                ++i;
                continue;
            }
            if (i + 1 == buf.size() && !waited) {
                waited = true;
                if (tick.extraAfter <= kEscWaitMs) {
                    line.insert(line.end(), tick.extra.begin(), tick.extra.end());
                    extraOnLine = true;
                }
                Take(line, buf, kBufferBytes);
            }
            bool introducer = i + 1 < buf.size() && (buf[i + 1] == '[' || buf[i + 1] == 'O');
            if (!introducer) {
                ModelPress(out, 0x1B);
                ModelChar(out, 0x1B);
                ++i;
                continue;
            }
            if (i + 2 < buf.size() && buf[i + 1] == '[') {
                WPARAM key = ModelCursorKey(buf[i + 2]);
                if (key != 0) ModelPress(out, key);
            }
            i += 3;
        }
        if (!extraOnLine) line.insert(line.end(), tick.extra.begin(), tick.extra.end());
    }
}

// ---- the program on the emulated handheld ------------------------------------

// Up to `most` bytes into `out`, in its storage.
void ConsumeInto(FuzzedDataProvider& data, std::vector<BYTE>& out, size_t most) {
    out.resize(most);
    if (most > 0) out.resize(data.ConsumeData(out.data(), most));
}

// Fills the first ticks of `ticks` (kMaxTicks long) and returns how many.
size_t ReadTicks(FuzzedDataProvider& data, std::vector<Tick>& ticks) {
    size_t count = 0;
    while (data.remaining_bytes() > 0 && count < kMaxTicks) {
        BYTE flags = data.ConsumeIntegral<BYTE>();
        Tick& tick = ticks[count++];
        ConsumeInto(data, tick.bytes, data.ConsumeIntegralInRange<size_t>(0, 300));
        ConsumeInto(data, tick.extra, flags & 0x7);
        tick.extraAfter = 1 + ((flags >> 3) & 0x7);  // 1 to 8 ms: within the wait or just after
        tick.failTarget = (flags & 0xC0) == 0xC0;
        tick.failReads = (flags & 0xC0) == 0x40 && tick.bytes.size() % 7 == 0;
    }
    return count;
}

void ResetHandheld() {
    EmuResetClock();
    EmuResetWindows();
    EmuResetDisplay();
    EmuResetSip();
    FakePortReset();
    g_rotationSupport = 255;
}

HWND Run(std::span<const Tick> ticks) {
    ResetHandheld();
    HWND app = EmuAddWindow(u"Notes", u"NotesWindow");
    EmuSetForeground(app);
    EmuSetKeyboardTarget(app);  // PF4 may close the foreground app; the keys still go here
    for (const Tick& tick : ticks) {
        DWORD start = EmuNow();
        FakePortArriveAt(start, tick.bytes);
        FakePortArriveAt(start + tick.extraAfter, tick.extra);
        EmuFailKeyboardTarget(tick.failTarget);
        FakePortFailReads(tick.failReads);
        PollTerminalInput(0, FAKE_PORT_HANDLE);
        EmuAdvance(start + kTickMs - EmuNow());
    }
    return app;
}

// The key and character messages posted to `app`, read in place from the log.
bool PostedAre(HWND app, const std::vector<Msg>& expected) {
    size_t next = 0;
    for (const EmuMessage& m : EmuMessageLog()) {
        if (m.kind != EMU_POSTED || m.target != app ||
            (m.message != WM_KEYDOWN && m.message != WM_KEYUP && m.message != WM_CHAR))
            continue;
        if (next == expected.size()) return false;
        const Msg& e = expected[next++];
        if (m.message != e.message || m.wParam != e.wParam || m.lParam != e.lParam) return false;
    }
    return next == expected.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // Kept from input to input: allocating them afresh cost more than the translation.
    static std::vector<Tick> ticks(kMaxTicks);
    static std::vector<Msg> expected;
    static std::deque<BYTE> line;
    static std::vector<BYTE> buf;
    FuzzedDataProvider data(bytes, size);
    std::span<const Tick> read(ticks.data(), ReadTicks(data, ticks));
    HWND app = Run(read);
    Model(read, expected, line, buf);
    if (!PostedAre(app, expected)) std::abort();
    ResetHandheld();  // nothing of this input outlives it, so libFuzzer's leak check needs no second run
    return 0;
}
