// Implements platform/serial.h as a scripted port for the key tests.
#include "tests/keys/fake_port.h"

#include <algorithm>
#include <deque>

#include "platform/emulated/emu_clock.h"
#include "platform/serial.h"

namespace {
struct Arrival {
    DWORD at;
    std::vector<BYTE> bytes;
};

struct FakePort {
    std::deque<std::vector<BYTE>> scripted;
    std::vector<Arrival> arrivals;  // in the order given
    std::deque<BYTE> line;
    bool failReads = false;
    std::vector<FakePortCall> calls;
};
FakePort g_port;

void TakeArrivals() {
    if (!g_port.scripted.empty()) {
        g_port.line.insert(g_port.line.end(), g_port.scripted.front().begin(), g_port.scripted.front().end());
        g_port.scripted.pop_front();
    }
    auto due = std::stable_partition(g_port.arrivals.begin(), g_port.arrivals.end(),
                                     [](const Arrival& a) { return a.at <= EmuNow(); });
    for (auto a = g_port.arrivals.begin(); a != due; ++a) g_port.line.insert(g_port.line.end(), a->bytes.begin(), a->bytes.end());
    g_port.arrivals.erase(g_port.arrivals.begin(), due);
}

void Record(FakePortCallKind kind, HANDLE handle, DWORD requested, DWORD transferred) {
    g_port.calls.push_back(FakePortCall{kind, handle, EmuNow(), requested, transferred});
}
}  // namespace

// Clears in place: fuzzers reset thousands of times a second.
void FakePortReset() {
    g_port.scripted.clear();
    g_port.arrivals.clear();
    g_port.line.clear();
    g_port.failReads = false;
    g_port.calls.clear();
}
void FakePortScriptRead(const std::vector<BYTE>& bytes) { g_port.scripted.push_back(bytes); }
void FakePortArriveAt(DWORD at, const std::vector<BYTE>& bytes) { g_port.arrivals.push_back(Arrival{at, bytes}); }
void FakePortFailReads(bool fail) { g_port.failReads = fail; }
const std::vector<FakePortCall>& FakePortCalls() { return g_port.calls; }
size_t FakePortPending() { return g_port.line.size(); }

int FakePortReadCount() {
    return static_cast<int>(std::count_if(g_port.calls.begin(), g_port.calls.end(),
                                          [](const FakePortCall& c) { return c.kind == FAKE_READ; }));
}

HANDLE CreateFileW(const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) {
    Record(FAKE_OPEN, FAKE_PORT_HANDLE, 0, 0);
    return FAKE_PORT_HANDLE;
}

BOOL SetCommState(HANDLE port, const DCB*) {
    Record(FAKE_STATE, port, 0, 0);
    return port == FAKE_PORT_HANDLE;
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS*) {
    Record(FAKE_TIMEOUTS, port, 0, 0);
    return port == FAKE_PORT_HANDLE;
}

BOOL ReadFile(HANDLE port, void* buffer, DWORD bytes, DWORD* transferred, void*) {
    *transferred = 0;
    if (port != FAKE_PORT_HANDLE || g_port.failReads) {
        Record(FAKE_READ, port, bytes, 0);
        return FALSE;
    }
    TakeArrivals();
    DWORD n = std::min<DWORD>(bytes, static_cast<DWORD>(g_port.line.size()));
    std::copy_n(g_port.line.begin(), n, static_cast<BYTE*>(buffer));
    g_port.line.erase(g_port.line.begin(), g_port.line.begin() + n);
    *transferred = n;
    Record(FAKE_READ, port, bytes, n);
    return TRUE;
}

BOOL WriteFile(HANDLE port, const void*, DWORD bytes, DWORD* transferred, void*) {
    bool ok = port == FAKE_PORT_HANDLE;
    if (transferred) *transferred = ok ? bytes : 0;
    Record(FAKE_WRITE, port, bytes, ok ? bytes : 0);
    return ok;
}

BOOL CloseHandle(HANDLE handle) {
    Record(FAKE_CLOSE, handle, 0, 0);
    return handle == FAKE_PORT_HANDLE;
}
