// The link to the terminal: open and configure the port, greet the terminal,
// poll it by timer, and say goodbye when the link closes.
#include "link/serial_link.h"

#include <cstring>

#include "base/dialog.h"
#include "base/resource.h"
#include "link/bt_provisioning.h"
#include "platform/bluetooth.h"
#include "platform/serial.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ports/port_entry.h"
#include "ports/registry_lookup.h"

const BYTE HANDSHAKE_BYTES[4] = {0x1B, 0x5B, 0x63, 0x00};
const BYTE FAREWELL_TAIL[3] = {0x0D, 0x0A, 0x0A};

namespace {
constexpr DWORD RETRY_PAUSE_MS = 100;
constexpr DWORD SETTLE_PAUSE_MS = 100;  // lets the terminal answer the handshake
constexpr int DRAIN_BYTES = 260;
constexpr int ENTRY_INCOMING_POS = 9;

void SetStatusString(HWND dialog, UINT stringId) {
    SetControlString(g_hInstance, stringId + g_langOffset, dialog, IDC_STATUS);
}

void LoadText(UINT stringId, WCHAR* buffer) { LoadStringW(g_hInstance, stringId + g_langOffset, buffer, MAX_TEXT); }

bool WriteBytes(HANDLE port, const void* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(port, bytes, count, &written, nullptr) != FALSE;
}

// The list entry, not the combo box's edit text; none selected means the default.
DWORD ReadSelectedSpeed(HWND dialog) {
    LRESULT selected = SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return DEFAULT_BAUD_RATE;
    WCHAR text[MAX_TEXT] = {};
    SendDlgItemMessageW(dialog, IDC_BAUD, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
    return static_cast<DWORD>(WToLong(text));
}

// Opens the entry and sends the handshake, with up to `attempts` attempts.
// The status line keeps the first open failure unless a handshake failure,
// which says more, comes later.
HANDLE OpenWithHandshake(HWND dialog, const WCHAR* entry, int attempts) {
    for (int attemptsLeft = attempts; attemptsLeft > 0;) {
        HANDLE port = OpenSelectedPort(entry, ReadSelectedSpeed(dialog));
        if (port == INVALID_HANDLE_VALUE) {
            if (attemptsLeft == attempts) SetStatusString(dialog, IDS_ERR_PORT);
        } else if (WriteBytes(port, HANDSHAKE_BYTES, sizeof HANDSHAKE_BYTES)) {
            Sleep(SETTLE_PAUSE_MS);
            return port;
        } else {
            SetStatusString(dialog, IDS_ERR_NOCONN);
            CloseHandle(port);
        }
        if (--attemptsLeft > 0) Sleep(RETRY_PAUSE_MS);
    }
    return INVALID_HANDLE_VALUE;
}

void ShowConnectedState(HWND dialog, const WCHAR* connectedText) {
    EnableControl(dialog, IDC_PORT, FALSE);
    ShowControl(dialog, IDC_BAUD, SW_HIDE);
    ShowControl(dialog, IDC_BAUD_LABEL, SW_HIDE);
    ShowControl(dialog, IDC_SETTINGS, SW_SHOW);
    SetControlString(g_hInstance, IDS_DISCONNECT + g_langOffset, dialog, IDC_CONNECT);
    SetControlString(g_hInstance, IDS_MINIMISE + g_langOffset, dialog, IDC_SETTINGS);
    WCHAR status[MAX_TEXT];
    WFormat(status, MAX_TEXT, u"Terminal %s!", connectedText);
    SetDlgItemTextW(dialog, IDC_STATUS, status);
}

void ShowIdleState(HWND dialog) {
    EnableControl(dialog, IDC_PORT, TRUE);
    SetControlString(g_hInstance, IDS_CONNECT + g_langOffset, dialog, IDC_CONNECT);
    UpdatePortControls(dialog);
    SetStatusString(dialog, IDS_CLOSED);
}

// Takes the terminal's answer to the handshake off the line.
void DrainInput(HANDLE port) {
    BYTE discarded[DRAIN_BYTES];
    DWORD got = 0;
    ReadFile(port, discarded, sizeof discarded, &got, nullptr);
}

void SendGreeting(HANDLE port, const WCHAR* connectedText) {
    WCHAR line[MAX_TEXT];
    WFormat(line, MAX_TEXT, u"%s %s!\r\n", WINDOW_TITLE, connectedText);
    char bytes[MAX_TEXT];
    size_t count = WideToMultiByte(bytes, line, sizeof bytes);
    if (count == static_cast<size_t>(-1)) return;
    WriteBytes(port, bytes, static_cast<DWORD>(count));
}

void SendFarewell(HANDLE port) {
    WCHAR closed[MAX_TEXT];
    LoadText(IDS_CLOSED, closed);
    char bytes[MAX_TEXT + sizeof FAREWELL_TAIL + 1];
    size_t count = WideToMultiByte(bytes, closed, MAX_TEXT);
    if (count == static_cast<size_t>(-1)) count = 0;
    std::memcpy(bytes + count, FAREWELL_TAIL, sizeof FAREWELL_TAIL);
    WriteBytes(port, bytes, static_cast<DWORD>(count + sizeof FAREWELL_TAIL));
}

bool IsIncomingEntry(const WCHAR* entry) { return WCompareN(entry + ENTRY_INCOMING_POS, u"In", 2) == 0; }

// Switches the radio on for a Bluetooth entry unless it is on already.
bool PrepareBluetooth(const WCHAR* entry) {
    if (WCompareN(entry, u"COM", 3) != 0) return false;
    DWORD mode = BTH_POWER_OFF;
    if (BthGetMode(&mode) != 0) return false;
    if (mode == BTH_POWER_OFF) SetBluetoothMode(BTH_CONNECTABLE, IsIncomingEntry(entry) ? 1 : 0);
    return true;
}
}  // namespace

HANDLE ConnectTerminal(HWND dialog, int attempts) {
    LRESULT selected = SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return INVALID_HANDLE_VALUE;
    WCHAR entry[MAX_TEXT] = {};
    SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(entry));

    HANDLE port = OpenWithHandshake(dialog, entry, attempts);
    if (port == INVALID_HANDLE_VALUE) {
        BluetoothShutdown();
        return INVALID_HANDLE_VALUE;
    }
    if (SetTimer(dialog, POLL_TIMER_ID, POLL_PERIOD_MS, nullptr) == 0) {
        CloseHandle(port);
        BluetoothShutdown();
        return INVALID_HANDLE_VALUE;
    }
    WCHAR connected[MAX_TEXT];
    LoadText(IDS_CONNECTED, connected);
    ShowConnectedState(dialog, connected);
    DrainInput(port);
    SendGreeting(port, connected);
    return port;
}

void DisconnectTerminal(HWND dialog, HANDLE port) {
    KillTimer(dialog, POLL_TIMER_ID);
    if (port != INVALID_HANDLE_VALUE) {
        SendFarewell(port);
        CloseHandle(port);
    }
    BluetoothShutdown();
    ShowIdleState(dialog);
}

void DropLostTerminal(HWND dialog, HANDLE port) {
    KillTimer(dialog, POLL_TIMER_ID);
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    BluetoothShutdown();
    ShowIdleState(dialog);
    SetStatusString(dialog, IDS_ERR_NOCONN);
}

HANDLE OpenSelectedPort(const WCHAR* entry, DWORD speed) {
    int bluetooth = IsBluetoothEntry(entry);
    if (bluetooth && !PrepareBluetooth(entry)) return INVALID_HANDLE_VALUE;
    WCHAR deviceName[DEVICE_NAME_CHARS + 1];
    WCopy(deviceName, entry, DEVICE_NAME_CHARS + 1);
    if (DeviceExists(deviceName)) return OpenSerialPort(deviceName, speed);
    if (!bluetooth || !RegisterOutgoingPort(entry)) return INVALID_HANDLE_VALUE;
    return OpenSerialPort(deviceName, speed);
}

HANDLE OpenSerialPort(const WCHAR* deviceName, DWORD speed) {
    HANDLE port = CreateFileW(deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0);
    if (port == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;

    // 8N1, binary, no flow control of any kind, DTR and RTS held off.
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = speed;
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    SetCommState(port, &dcb);

    // Reads return at once with what has arrived; the poll timer must never block.
    COMMTIMEOUTS timeouts;
    std::memset(&timeouts, 0, sizeof timeouts);
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(port, &timeouts);
    return port;
}
