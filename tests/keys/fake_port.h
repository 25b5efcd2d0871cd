// A scripted terminal port for the key tests, the fuzzer and the benchmark:
// the serial functions of platform/serial.h without the emulated serial library.
//
// Each ReadFile first takes the next scripted chunk (if any) onto the line,
// then every timed arrival due by the virtual clock, and hands out as much of
// the line as the caller has room for; the rest waits for the next read.
#pragma once

#include <vector>

#include "platform/types.h"

constexpr HANDLE FAKE_PORT_HANDLE = 0x5000;

void FakePortReset();
// The bytes that the next ReadFile not yet scripted finds newly arrived.
void FakePortScriptRead(const std::vector<BYTE>& bytes);
// Bytes that arrive on the line when the virtual clock reaches `at`.
void FakePortArriveAt(DWORD at, const std::vector<BYTE>& bytes);
// Reads return FALSE with nothing transferred; the line keeps its bytes.
void FakePortFailReads(bool fail);

enum FakePortCallKind { FAKE_OPEN, FAKE_STATE, FAKE_TIMEOUTS, FAKE_READ, FAKE_WRITE, FAKE_CLOSE };
struct FakePortCall {
    FakePortCallKind kind;
    HANDLE handle;
    DWORD time;       // virtual clock
    DWORD requested;  // bytes asked to read or write
    DWORD transferred;
};
const std::vector<FakePortCall>& FakePortCalls();
int FakePortReadCount();
// Bytes on the line that no read has taken yet.
size_t FakePortPending();
