#include "tests/keys/key_test.h"

#include <ostream>

#include "platform/emulated/emu_bluetooth.h"
#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_devices.h"
#include "platform/emulated/emu_display.h"
#include "platform/emulated/emu_registry.h"
#include "platform/emulated/emu_sip.h"
#include "platform/emulated/emu_system.h"
#include "platform/emulated/emu_window.h"
#include "platform/window.h"
#include "tests/keys/fake_port.h"
#include "tests/support/emulated_test.h"

void KeyTest::SetUp() {
    EmuResetClock();
    EmuResetWindows();
    EmuResetSystem();
    EmuResetProcesses();
    EmuResetRegistry();
    EmuResetDevices();
    EmuResetBluetooth();
    EmuResetDisplay();
    EmuResetSip();
    FakePortReset();
    ResetProgramGlobals();
}

HWND KeyTest::AddForegroundApp() {
    HWND app = EmuAddWindow(u"Notes", u"NotesWindow");
    EmuSetForeground(app);
    return app;
}

std::ostream& operator<<(std::ostream& out, const KeyMessage& m) {
    const char* name = m.message == WM_KEYDOWN ? "KEYDOWN" : m.message == WM_KEYUP ? "KEYUP" : m.message == WM_CHAR ? "CHAR" : "?";
    return out << name << "(0x" << std::hex << m.wParam << ", 0x" << m.lParam << std::dec << ")";
}

KeyMessages Press(WORD virtualKey) {
    return {{WM_KEYDOWN, virtualKey, 1}, {WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001)}};
}

KeyMessages Char(WORD character) { return {{WM_CHAR, character, 1}}; }

KeyMessages operator+(KeyMessages a, const KeyMessages& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

KeyMessages Chars(const std::string& text) {
    KeyMessages all;
    for (unsigned char c : text) all = all + Char(c);
    return all;
}

KeyMessages KeysPostedTo(HWND target) {
    KeyMessages keys;
    for (const EmuMessage& m : EmuKeyMessagesTo(target)) keys.push_back({m.message, m.wParam, m.lParam});
    return keys;
}

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }
