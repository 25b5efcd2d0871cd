#include "tests/link/link_fixture.h"

#include "app/shell.h"
#include "base/resource.h"
#include "link/serial_link.h"
#include "platform/window.h"

namespace {
std::vector<DWORD> g_pollTicks;
const std::u16string DEVICE_ROOT = u"Software\\Microsoft\\Bluetooth\\Device\\";
const std::u16string SERIAL_PORT_SERVICE = u"00001101-0000-1000-8000-00805F9B34FB";

// The program's dialog procedure, with the poll ticks noted on the way.
INT_PTR RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == POLL_TIMER_ID) g_pollTicks.push_back(EmuNow());
    return MainDialogProc(dialog, message, wParam, lParam);
}
}  // namespace

void LinkTest::SetUp() {
    EmulatedTest::SetUp();
    g_pollTicks.clear();
}

HWND LinkTest::OpenDialog(const std::vector<std::u16string>& entries, int selected) {
    dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, RecordingDialogProc, 0);
    SendDlgItemMessageW(dialog, IDC_PORT, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& entry : entries)
        SendDlgItemMessageW(dialog, IDC_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    UpdatePortControls(dialog);
    return dialog;
}

HWND LinkTest::OpenTerminalDialog(int selected) {
    AddTerminal(u"COM1:");
    return OpenDialog({u"COM1: Serial"}, selected);
}

void LinkTest::SelectSpeed(int index) {
    SendDlgItemMessageW(dialog, IDC_BAUD, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void AddTerminal(const std::u16string& deviceName) {
    EmuAddDevice(deviceName);
    EmuSerialAddEndpoint(deviceName);
}

std::u16string ServiceKeyPath(const std::u16string& addressKey) {
    return DEVICE_ROOT + addressKey + u"\\Services\\" + SERIAL_PORT_SERVICE;
}

void AddPairedDevice(const std::u16string& addressKey, const std::u16string& name, DWORD channel) {
    EmuRegSetString(DEVICE_ROOT + addressKey, u"name", name);
    EmuRegSetDword(ServiceKeyPath(addressKey), u"channel", channel);
}

std::u16string StringText(unsigned id) {
    WCHAR text[MAX_TEXT];
    LoadStringW(g_hInstance, id + g_langOffset, text, MAX_TEXT);
    return text;
}

const std::vector<DWORD>& PollTicks() { return g_pollTicks; }
