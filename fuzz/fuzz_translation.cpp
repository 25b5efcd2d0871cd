// Fuzzes the terminal input translation: random byte streams, split into
// random ticks, some with bytes that arrive during the wait after a trailing
// ESC. Checks (besides the sanitizers) that the posted key and character
// messages match a small model of the byte rules written here on its own.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <deque>
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
constexpr int kMaxTicks = 16;

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

std::vector<BYTE> Take(std::deque<BYTE>& line, size_t most) {
    std::vector<BYTE> taken;
    while (taken.size() < most && !line.empty()) {
        taken.push_back(line.front());
        line.pop_front();
    }
    return taken;
}

std::vector<Msg> Model(const std::vector<Tick>& ticks) {
    std::vector<Msg> out;
    std::deque<BYTE> line;
    for (const Tick& tick : ticks) {
        line.insert(line.end(), tick.bytes.begin(), tick.bytes.end());
        bool extraOnLine = false;
        bool waited = false;
        if (tick.failReads) {
            line.insert(line.end(), tick.extra.begin(), tick.extra.end());
            continue;
        }
        std::vector<BYTE> buf = Take(line, kBufferBytes);
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
                std::vector<BYTE> more = Take(line, kBufferBytes - buf.size());
                buf.insert(buf.end(), more.begin(), more.end());
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
    return out;
}

// ---- the program on the emulated handheld ------------------------------------

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

void ResetHandheld() {
    EmuResetClock();
    EmuResetWindows();
    EmuResetDisplay();
    EmuResetSip();
    FakePortReset();
    g_rotationSupport = 255;
}

std::vector<Msg> Run(const std::vector<Tick>& ticks) {
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
    std::vector<Msg> posted;
    for (const EmuMessage& m : EmuKeyMessagesTo(app)) posted.push_back({m.message, m.wParam, m.lParam});
    return posted;
}

bool Same(const std::vector<Msg>& a, const std::vector<Msg>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].message != b[i].message || a[i].wParam != b[i].wParam || a[i].lParam != b[i].lParam) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::vector<Tick> ticks = ReadTicks(data);
    if (!Same(Run(ticks), Model(ticks))) std::abort();
    return 0;
}
