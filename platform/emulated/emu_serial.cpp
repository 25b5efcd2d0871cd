// Implements platform/serial.h on the emulated handheld.
#include "platform/emulated/emu_serial.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_devices.h"
#include "platform/emulated/emu_serial_host.h"
#include "platform/text.h"

namespace {
struct Arrival {
    DWORD at;
    BYTE byte;
};

struct Endpoint {
    int failOpens = 0;
    bool failWrites = false;
    bool failReads = false;
    bool failSettings = false;
    std::vector<Arrival> arrivals;  // unread, in order of arrival time
    std::vector<EmuWrite> writes;
    std::vector<EmuSerialCall> calls;
    std::function<void(EmuSerialCallKind)> probe;
    int openAttempts = 0;
    int opens = 0;
    int closes = 0;
    HANDLE handle = INVALID_HANDLE_VALUE;  // while open
    EmuOpenRequest lastOpen{};
    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    int settingsCount = 0;
    std::string hostPath;
    const EmuSerialHostOps* host = nullptr;
    int hostFd = -1;
};

struct SerialState {
    std::map<std::u16string, Endpoint> endpoints;
    std::map<HANDLE, std::u16string> handles;
    HANDLE nextHandle = 0x5E000;
    int strayCalls = 0;
};
SerialState g_serial;
const std::vector<EmuWrite> g_noWrites;
const std::vector<EmuSerialCall> g_noCalls;

// Device names match without regard to case, as in the device search.
std::u16string Folded(std::u16string name) {
    for (char16_t& c : name)
        c = WFoldCase(c);
    return name;
}

Endpoint* FindEndpoint(const std::u16string& name) {
    auto it = g_serial.endpoints.find(Folded(name));
    return it == g_serial.endpoints.end() ? nullptr : &it->second;
}

Endpoint* EndpointOf(HANDLE handle) {
    auto it = g_serial.handles.find(handle);
    if (it == g_serial.handles.end()) {
        ++g_serial.strayCalls;
        return nullptr;
    }
    return FindEndpoint(it->second);
}

// Lets the test's probe look before the call acts; the call is logged with
// its outcome by the caller.
Endpoint* BeginCall(HANDLE handle, EmuSerialCallKind kind) {
    Endpoint* e = EndpointOf(handle);
    if (e != nullptr && e->probe) e->probe(kind);
    return e;
}

void Log(Endpoint* e, EmuSerialCallKind kind, DWORD requested, DWORD transferred) {
    if (e != nullptr) e->calls.push_back(EmuSerialCall{kind, EmuNow(), requested, transferred});
}

// An endpoint that the control panel can script before it is declared.
Endpoint& Script(const std::u16string& name) { return g_serial.endpoints[Folded(name)]; }

size_t ArrivedCount(const Endpoint& e) {
    DWORD now = EmuNow();
    size_t n = 0;
    while (n < e.arrivals.size() && e.arrivals[n].at <= now)
        ++n;
    return n;
}

bool OpenHost(Endpoint& e) {
    if (e.host == nullptr) return true;
    e.hostFd = e.host->open(e.hostPath.c_str());
    return e.hostFd >= 0;
}
}  // namespace

void EmuResetSerial() {
    for (auto& [name, e] : g_serial.endpoints)
        if (e.host != nullptr && e.hostFd >= 0) e.host->close(e.hostFd);
    g_serial = SerialState();
}

void EmuSerialAddEndpoint(const std::u16string& deviceName) { Script(deviceName); }
void EmuSerialFailOpen(const std::u16string& deviceName, int times) { Script(deviceName).failOpens = times; }
void EmuSerialFailWrites(const std::u16string& deviceName, bool fail) { Script(deviceName).failWrites = fail; }
void EmuSerialFailReads(const std::u16string& deviceName, bool fail) { Script(deviceName).failReads = fail; }
void EmuSerialFailSettings(const std::u16string& deviceName, bool fail) { Script(deviceName).failSettings = fail; }

void EmuSerialArrive(const std::u16string& deviceName, DWORD at, const std::vector<BYTE>& bytes) {
    auto& arrivals = Script(deviceName).arrivals;
    // After every byte due at or before `at`, so equal times keep their order.
    auto pos =
        std::upper_bound(arrivals.begin(), arrivals.end(), at, [](DWORD t, const Arrival& a) { return t < a.at; });
    size_t first = static_cast<size_t>(pos - arrivals.begin());
    arrivals.insert(pos, bytes.size(), Arrival{at, 0});
    for (size_t i = 0; i < bytes.size(); ++i)
        arrivals[first + i].byte = bytes[i];
}

const std::vector<EmuWrite>& EmuSerialWrites(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->writes : g_noWrites;
}

std::vector<BYTE> EmuSerialWrittenBytes(const std::u16string& deviceName) {
    std::vector<BYTE> all;
    for (const EmuWrite& w : EmuSerialWrites(deviceName))
        all.insert(all.end(), w.bytes.begin(), w.bytes.end());
    return all;
}

int EmuSerialOpenCount(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->opens : 0;
}

int EmuSerialOpenAttempts(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->openAttempts : 0;
}

int EmuSerialCloseCount(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->closes : 0;
}

bool EmuSerialIsOpen(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e != nullptr && e->handle != INVALID_HANDLE_VALUE;
}

EmuOpenRequest EmuSerialLastOpen(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->lastOpen : EmuOpenRequest{};
}

DCB EmuSerialLastDcb(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->dcb : DCB{};
}

COMMTIMEOUTS EmuSerialLastTimeouts(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->timeouts : COMMTIMEOUTS{};
}

int EmuSerialSettingsCount(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->settingsCount : 0;
}

size_t EmuSerialPending(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? ArrivedCount(*e) : 0;
}

int EmuSerialOpenHandles() { return static_cast<int>(g_serial.handles.size()); }

const std::vector<EmuSerialCall>& EmuSerialCalls(const std::u16string& deviceName) {
    Endpoint* e = FindEndpoint(deviceName);
    return e ? e->calls : g_noCalls;
}

int EmuSerialReadCount(const std::u16string& deviceName) {
    const std::vector<EmuSerialCall>& calls = EmuSerialCalls(deviceName);
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [](const EmuSerialCall& c) { return c.kind == EMU_SERIAL_READ; }));
}

int EmuSerialStrayCalls() { return g_serial.strayCalls; }

void EmuSerialWatch(const std::u16string& deviceName, std::function<void(EmuSerialCallKind)> probe) {
    Script(deviceName).probe = std::move(probe);
}

void EmuSerialAttachHost(const std::u16string& deviceName, const std::string& hostPath, const EmuSerialHostOps* ops) {
    Endpoint& e = Script(deviceName);
    e.hostPath = hostPath;
    e.host = ops;
}

// ---- platform/serial.h -----------------------------------------------------

HANDLE CreateFileW(const WCHAR* name, DWORD access, DWORD shareMode, void*, DWORD disposition, DWORD attributes,
                   HANDLE) {
    Endpoint* e = FindEndpoint(name);
    if (e == nullptr) return INVALID_HANDLE_VALUE;
    ++e->openAttempts;
    e->lastOpen = EmuOpenRequest{access, shareMode, disposition, attributes};
    if (!EmuDeviceRegistered(name) || e->handle != INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    if (e->failOpens > 0) {
        --e->failOpens;
        return INVALID_HANDLE_VALUE;
    }
    if (!OpenHost(*e)) return INVALID_HANDLE_VALUE;
    e->handle = g_serial.nextHandle++;
    ++e->opens;
    g_serial.handles[e->handle] = name;
    return e->handle;
}

BOOL SetCommState(HANDLE port, const DCB* dcb) {
    Endpoint* e = EndpointOf(port);
    if (e == nullptr || dcb == nullptr || e->failSettings) return FALSE;
    if (e->host != nullptr && !e->host->applyDcb(e->hostFd, *dcb)) return FALSE;
    std::memcpy(&e->dcb, dcb, sizeof(DCB));
    ++e->settingsCount;
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) {
    Endpoint* e = EndpointOf(port);
    if (e == nullptr || timeouts == nullptr || e->failSettings) return FALSE;
    if (e->host != nullptr && !e->host->applyTimeouts(e->hostFd, *timeouts)) return FALSE;
    e->timeouts = *timeouts;
    return TRUE;
}

// Never waits, whatever the time-outs: the program only ever asks for reads
// that return at once, and the recorded time-outs show that it did.
BOOL ReadFile(HANDLE port, void* buffer, DWORD bytes, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    Endpoint* e = BeginCall(port, EMU_SERIAL_READ);
    if (e == nullptr) return FALSE;
    if (e->failReads) {
        Log(e, EMU_SERIAL_READ, bytes, 0);
        return FALSE;
    }
    size_t n = 0;
    if (e->host != nullptr) {
        long got = e->host->read(e->hostFd, buffer, bytes);
        Log(e, EMU_SERIAL_READ, bytes, got < 0 ? 0 : static_cast<DWORD>(got));
        if (got < 0) return FALSE;
        n = static_cast<size_t>(got);
    } else {
        n = std::min<size_t>(ArrivedCount(*e), bytes);
        BYTE* out = static_cast<BYTE*>(buffer);
        for (size_t i = 0; i < n; ++i)
            out[i] = e->arrivals[i].byte;
        e->arrivals.erase(e->arrivals.begin(), e->arrivals.begin() + static_cast<long>(n));
        Log(e, EMU_SERIAL_READ, bytes, static_cast<DWORD>(n));
    }
    if (transferred != nullptr) *transferred = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD bytes, DWORD* transferred, void*) {
    if (transferred != nullptr) *transferred = 0;
    Endpoint* e = BeginCall(port, EMU_SERIAL_WRITE);
    if (e == nullptr) return FALSE;
    if (e->failWrites) {
        Log(e, EMU_SERIAL_WRITE, bytes, 0);
        return FALSE;
    }
    const BYTE* data = static_cast<const BYTE*>(buffer);
    DWORD taken = bytes;
    if (e->host != nullptr) {
        long put = e->host->write(e->hostFd, buffer, bytes);
        Log(e, EMU_SERIAL_WRITE, bytes, put < 0 ? 0 : static_cast<DWORD>(put));
        if (put < 0) return FALSE;
        taken = static_cast<DWORD>(put);
    } else {
        Log(e, EMU_SERIAL_WRITE, bytes, taken);
    }
    e->writes.push_back(EmuWrite{EmuNow(), std::vector<BYTE>(data, data + taken)});
    if (transferred != nullptr) *transferred = taken;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    Endpoint* e = BeginCall(handle, EMU_SERIAL_CLOSE);
    if (e == nullptr) return FALSE;
    if (e->host != nullptr && e->hostFd >= 0) e->host->close(e->hostFd);
    e->hostFd = -1;
    Log(e, EMU_SERIAL_CLOSE, 0, 0);
    g_serial.handles.erase(e->handle);
    e->handle = INVALID_HANDLE_VALUE;
    ++e->closes;
    return TRUE;
}
