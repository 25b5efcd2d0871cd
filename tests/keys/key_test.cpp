#include "tests/keys/key_test.h"

#include "platform/window.h"

void KeyTest::SetUp() {
    EmulatedTest::SetUp();
    EmuAddDevice(TERMINAL);
    EmuSerialAddEndpoint(TERMINAL);
    port = CreateFileW(TERMINAL, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
}

HWND KeyTest::AddForegroundApp() {
    HWND app = EmuAddWindow(u"Notes", u"NotesWindow");
    EmuSetForeground(app);
    return app;
}

void KeyTest::Arrive(const std::string& bytes, DWORD after) {
    EmuSerialArrive(TERMINAL, EmuNow() + after, Bytes(bytes));
}
