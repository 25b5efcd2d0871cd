// Implements the kernel32 part of native.h: serial lines, sleep, clock,
// language and process start.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstring>

#include "platform/win32/native.h"

// The core's line records are Windows' own, byte for byte.
static_assert(sizeof(DCB) == 28, "DCB is 28 bytes");
static_assert(offsetof(DCB, BaudRate) == 4 && offsetof(DCB, wReserved) == 12 && offsetof(DCB, ByteSize) == 18 &&
                  offsetof(DCB, EvtChar) == 25 && offsetof(DCB, wReserved1) == 26,
              "DCB fields where the core puts them");
static_assert(sizeof(COMMTIMEOUTS) == 20, "COMMTIMEOUTS is 20 bytes");
static_assert(offsetof(COMMTIMEOUTS, WriteTotalTimeoutConstant) == 16, "COMMTIMEOUTS fields in order");

namespace {
HANDLE Native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

namespace native {

intptr_t OpenCommPort(const char16_t* path) {
    HANDLE port = CreateFileW(reinterpret_cast<const wchar_t*>(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<intptr_t>(port);
}

int SetCommStateBytes(intptr_t port, const void* dcb28) {
    DCB dcb;
    std::memcpy(&dcb, dcb28, sizeof dcb);
    return SetCommState(Native(port), &dcb);
}

int SetCommTimeoutsBytes(intptr_t port, const void* timeouts20) {
    COMMTIMEOUTS timeouts;
    std::memcpy(&timeouts, timeouts20, sizeof timeouts);
    return SetCommTimeouts(Native(port), &timeouts);
}

int Read(intptr_t handle, void* buffer, uint32_t bytes, uint32_t* transferred) {
    DWORD done = 0;
    BOOL ok = ReadFile(Native(handle), buffer, bytes, &done, nullptr);
    if (transferred != nullptr) *transferred = done;
    return ok;
}

int Write(intptr_t handle, const void* buffer, uint32_t bytes, uint32_t* transferred) {
    DWORD done = 0;
    BOOL ok = WriteFile(Native(handle), buffer, bytes, &done, nullptr);
    if (transferred != nullptr) *transferred = done;
    return ok;
}

int Close(intptr_t handle) { return CloseHandle(Native(handle)); }

void Pause(uint32_t milliseconds) { Sleep(milliseconds); }

uint32_t TickCount() { return GetTickCount(); }

uint16_t UserInterfaceLanguage() { return GetUserDefaultUILanguage(); }

bool StartProcess(const char16_t* image, const char16_t* commandLine, uint32_t creationFlags) {
    wchar_t line[MAX_PATH];
    line[0] = 0;
    if (commandLine != nullptr) lstrcpynW(line, reinterpret_cast<const wchar_t*>(commandLine), MAX_PATH);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(reinterpret_cast<const wchar_t*>(image), line, nullptr, nullptr, FALSE, creationFlags, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

int CommandLineArguments(char16_t (*arguments)[260], int capacity) {
    int count = 0;
    wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
    if (split == nullptr) return 0;
    int result = count > 0 ? count - 1 : 0;
    if (result > capacity) result = -1;
    for (int i = 1; i < count && result >= 0; ++i) {
        if (lstrlenW(split[i]) >= 260) {
            result = -1;
            break;
        }
        lstrcpynW(reinterpret_cast<wchar_t*>(arguments[i - 1]), split[i], 260);
    }
    LocalFree(split);
    return result;
}

namespace {
HANDLE StandardHandle(DWORD which) {
    HANDLE out = GetStdHandle(which);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) return out;
    // ERROR_ACCESS_DENIED: attached already, by the other stream.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return nullptr;
    out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return nullptr;
    SetStdHandle(which, out);
    return out;
}
}  // namespace

void WriteStandard(int stream, const char16_t* text) {
    HANDLE out = StandardHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (out == nullptr) return;
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
    int units = lstrlenW(wide);
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide, static_cast<DWORD>(units), &written, nullptr);
        return;
    }
    static char bytes[4 * 1024];
    int count = WideCharToMultiByte(CP_UTF8, 0, wide, units, bytes, sizeof bytes, nullptr, nullptr);
    if (count > 0) WriteFile(out, bytes, static_cast<DWORD>(count), &written, nullptr);
}

}  // namespace native
