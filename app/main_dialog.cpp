// The main dialog: its procedure, initialisation and control routines.
#include "app/shell.h"

#include "app/options.h"
#include "base/resource.h"
#include "keys/input_translation.h"
#include "link/bt_provisioning.h"
#include "link/serial_link.h"
#include "platform/bluetooth.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ports/port_entry.h"
#include "ports/port_list.h"
#include "ports/registry_lookup.h"

HANDLE g_hPort = INVALID_HANDLE_VALUE;

// 56700, not 57600: the speed list offers what the terminals in use were set to.
const DWORD BAUD_RATES[8] = {2400, 4800, 9600, 19200, 33600, 38400, 56700, 115200};

namespace {
const WCHAR CREDIT_TEXT[] = u"(c) Tastra developers";
const WCHAR WEB_ADDRESS[] = u"tastra.example.org";
const WCHAR BUILD_DATE[] = u"" __DATE__;  // "Mmm dd yyyy"
constexpr int BUILD_YEAR_POS = 7;

// With --reconnect, a line that hung up is waited for: at each retry tick
// the selected entry is connected again if its device is back, with one
// attempt. The tick is the only pace, so attempts are never closer than its
// period.
struct RetryState {
    bool waiting;
    bool portUnlisted;  // the options' port is not in the list yet
    int ticks;          // since the wait began
};
RetryState g_retry = {};

// Connecting a Bluetooth device that is away holds the dialog for the
// backend's whole wait (seconds), so after the first tick it is tried only
// every fifth.
constexpr int BLUETOOTH_RETRY_TICKS = 5;

void StopWaiting(HWND dialog) {
    g_retry = {};
    KillTimer(dialog, RETRY_TIMER_ID);
}

void StartWaiting(HWND dialog) {
    g_retry = {};
    g_retry.waiting = SetTimer(dialog, RETRY_TIMER_ID, RETRY_PERIOD_MS, nullptr) != 0;
}

// A serial line is back when its device is registered again. A Bluetooth
// port is registered only by connecting, so it is tried every few ticks,
// and only while the radio is on: a retry must not switch on a radio the
// user switched off.
bool LineMayBeBack(HWND dialog) {
    LRESULT selected = SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return false;
    WCHAR entry[MAX_TEXT] = {};
    SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(entry));
    if (IsBluetoothEntry(entry)) {
        DWORD mode = BTH_POWER_OFF;
        return (g_retry.ticks - 1) % BLUETOOTH_RETRY_TICKS == 0 && BthGetMode(&mode) == 0 && mode != BTH_POWER_OFF;
    }
    WCHAR deviceName[DEVICE_NAME_CHARS + 1];
    WCopy(deviceName, entry, DEVICE_NAME_CHARS + 1);
    return DeviceExists(deviceName) != 0;
}

void Connect(HWND dialog, int attempts) {
    ResetTerminalInput();
    g_hPort = ConnectTerminal(dialog, attempts);
}

void FillPortList(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_PORT, CB_RESETCONTENT, 0, 0);
    HWND portList = GetDlgItem(dialog, IDC_PORT);
    ListActivePorts(portList, u"COM");
    ListBluetoothPorts(portList);
    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, 0, 0);
}

void FillSpeedList(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_BAUD, CB_RESETCONTENT, 0, 0);
    for (DWORD rate : BAUD_RATES) {
        WCHAR text[MAX_TEXT];
        WFormat(text, MAX_TEXT, u"%u", static_cast<unsigned>(rate));
        SendDlgItemMessageW(dialog, IDC_BAUD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageW(dialog, IDC_BAUD, CB_SETCURSEL, 0, 0);
}

void OnConnectButton(HWND dialog) {
    if (g_hPort == INVALID_HANDLE_VALUE) {
        Connect(dialog, CONNECT_ATTEMPTS);
    } else {
        DisconnectTerminal(dialog, g_hPort);
        g_hPort = INVALID_HANDLE_VALUE;
    }
}

void OnSettingsButton(HWND dialog) {
    if (g_hPort != INVALID_HANDLE_VALUE) {
        ShowWindow(dialog, SW_HIDE);
    } else {
        RunBluetoothSettings(0);
        InitMainDialog(dialog);
    }
}

// A tick already queued when the link closed finds no port.
void OnPollTimer(HWND dialog) {
    if (g_hPort == INVALID_HANDLE_VALUE || PollTerminalInput(dialog, g_hPort)) return;
    DropLostTerminal(dialog, g_hPort);
    g_hPort = INVALID_HANDLE_VALUE;
    if (g_startOptions.reconnect) StartWaiting(dialog);
}

void OnRetryTimer(HWND dialog) {
    if (!g_retry.waiting || g_hPort != INVALID_HANDLE_VALUE) {
        StopWaiting(dialog);
        return;
    }
    ++g_retry.ticks;
    if (g_retry.portUnlisted) {
        FillPortList(dialog);
        if (!SelectStartPort(dialog)) return;
        g_retry.portUnlisted = false;
    }
    if (!LineMayBeBack(dialog)) return;
    Connect(dialog, 1);
    if (g_hPort != INVALID_HANDLE_VALUE) StopWaiting(dialog);
}

void OnCommand(HWND dialog, WPARAM wParam) {
    // Whatever the user does in the dialog takes over from the waiting.
    if (g_retry.waiting) StopWaiting(dialog);
    // Compared as a whole: a button counts only with BN_CLICKED in the high word.
    if (wParam == static_cast<WPARAM>(IDC_CONNECT))
        OnConnectButton(dialog);
    else if (wParam == static_cast<WPARAM>(IDC_SETTINGS))
        OnSettingsButton(dialog);
    else if (wParam == MAKEWPARAM(IDC_PORT, CBN_SELCHANGE))
        UpdatePortControls(dialog);
}
}  // namespace

INT_PTR MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_retry = {};
            InitMainDialog(dialog);
            return TRUE;
        case WM_CLOSE:
        case WM_DESTROY:
            StopWaiting(dialog);
            DisconnectTerminal(dialog, g_hPort);
            g_hPort = INVALID_HANDLE_VALUE;
            PostQuitMessage(0);
            return TRUE;
        case WM_SETTINGCHANGE: CenterDialog(dialog); return TRUE;
        case WM_TIMER:
            if (wParam == RETRY_TIMER_ID)
                OnRetryTimer(dialog);
            else
                OnPollTimer(dialog);
            return TRUE;
        case WM_COMMAND: OnCommand(dialog, wParam); return TRUE;
        default: return FALSE;
    }
}

void ConnectAtStart(HWND dialog) {
    Connect(dialog, CONNECT_ATTEMPTS);
    if (g_hPort == INVALID_HANDLE_VALUE && g_startOptions.reconnect) StartWaiting(dialog);
}

void AwaitStartPort(HWND dialog) {
    StartWaiting(dialog);
    g_retry.portUnlisted = g_retry.waiting;
}

void InitMainDialog(HWND dialog) {
    CenterDialog(dialog);
    SetWindowTextW(dialog, WINDOW_TITLE);
    SetAttributionTexts(dialog, IDC_CREDIT, IDC_WEB);
    FillPortList(dialog);
    FillSpeedList(dialog);
    UpdatePortControls(dialog);
    SetControlString(g_hInstance, IDS_CONNECT + g_langOffset, dialog, IDC_CONNECT);
    SetControlString(g_hInstance, IDS_CLOSED + g_langOffset, dialog, IDC_STATUS);
}

void UpdatePortControls(HWND dialog) {
    WCHAR entry[MAX_TEXT] = {};
    LRESULT selected = SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR)
        SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXT, static_cast<WPARAM>(selected),
                            reinterpret_cast<LPARAM>(entry));

    if (selected != CB_ERR && IsBluetoothEntry(entry)) {
        ShowControl(dialog, IDC_BAUD, SW_HIDE);
        ShowControl(dialog, IDC_BAUD_LABEL, SW_HIDE);
        ShowControl(dialog, IDC_SETTINGS, SW_SHOW);
        WCHAR setting[MAX_TEXT];
        WCHAR caption[MAX_TEXT];
        LoadStringW(g_hInstance, IDS_SETTING + g_langOffset, setting, MAX_TEXT);
        WFormat(caption, MAX_TEXT, u"%s%s", BT_MARKER, setting);
        SetDlgItemTextW(dialog, IDC_SETTINGS, caption);
        return;
    }
    ShowControl(dialog, IDC_SETTINGS, SW_HIDE);
    ShowControl(dialog, IDC_BAUD_LABEL, SW_SHOW);
    ShowControl(dialog, IDC_BAUD, SW_SHOW);
}

void CenterDialog(HWND dialog) {
    RECT rect{};
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    SetWindowPos(dialog, HWND_TOP, x, rect.top, width, height, SWP_SHOWWINDOW);
}

void SetAttributionTexts(HWND dialog, int creditId, int webId) {
    WCHAR year[5];
    WCopy(year, BUILD_DATE + BUILD_YEAR_POS, 5);
    WCHAR credit[MAX_TEXT];
    WFormat(credit, MAX_TEXT, u"%s %s", CREDIT_TEXT, year);
    SetDlgItemTextW(dialog, creditId, credit);
    SetDlgItemTextW(dialog, webId, WEB_ADDRESS);
}

void ShowControl(HWND dialog, int controlId, int showCommand) {
    ShowWindow(GetDlgItem(dialog, controlId), showCommand);
}

void EnableControl(HWND dialog, int controlId, BOOL enable) { EnableWindow(GetDlgItem(dialog, controlId), enable); }
