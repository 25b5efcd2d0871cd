// A helper for the Wine tests: looks at and drives other programs' windows
// the way a user would, and prints what it finds. Texts are printed as
// UTF-16 code units in hex, so no code page stands between Windows and the
// test. Every wait has a limit; exit status 0 when the condition was met.
//   probe text CLASS [CHILD]           text of a top-level window (or its child control)
//   probe wait-suffix CLASS CHILD HEX MS  waits until that text ends with HEX, prints it
//   probe wait-ready MS                waits until Tastra's dialog is shown and filled in
//   probe item ID                      text of control ID of Tastra's dialog
//   probe items                        each entry of Tastra's port list, one a line
//   probe select PREFIX                selects the first port entry starting with PREFIX
//   probe click ID                     presses button ID of Tastra's dialog
//   probe focus CLASS MS               brings a window to the front, waits until it has the keyboard
//   probe wait-foreground CLASS|TITLE MS   waits until that window is in front (title "Tastra v1.00")
//   probe wait-window CLASS|- TITLE|- MS [gone]  waits until a top-level window exists (or is gone)
//   probe visible TITLE                prints 1 or 0
//   probe hide TITLE                   hides a window
//   probe ping TITLE MS                asks a window for an answer within MS; prints how long it took
//   probe owned CLASS                  prints the class of each visible window owned by CLASS's window
//   probe console-log FILE             in a console: writes each key press read as "VK:CHAR" to FILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

const wchar_t kTastra[] = L"Tastra v1.00";

HWND Find(const wchar_t* cls, const wchar_t* title) {
    return FindWindowW(cls && wcscmp(cls, L"-") ? cls : nullptr, title && wcscmp(title, L"-") ? title : nullptr);
}

HWND Target(const wchar_t* cls, const wchar_t* child) {
    HWND window = Find(cls, nullptr);
    if (window != nullptr && child != nullptr) window = FindWindowExW(window, nullptr, child, nullptr);
    return window;
}

// WM_GETTEXT reads another program's control; GetWindowText would not ask it.
int Text(HWND window, wchar_t* text, int capacity) {
    DWORD_PTR length = 0;
    text[0] = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &length))
        return -1;
    return static_cast<int>(length);
}

void PrintHex(const wchar_t* text, int length) {
    for (int i = 0; i < length; ++i)
        std::printf("%s%04X", i ? " " : "", static_cast<unsigned>(text[i]));
    std::printf("\n");
}

int ParseHex(const char* hex, wchar_t* out, int capacity) {
    int n = 0;
    while (*hex && n < capacity) {
        char* end;
        unsigned long v = std::strtoul(hex, &end, 16);
        if (end == hex) break;
        out[n++] = static_cast<wchar_t>(v);
        hex = end;
    }
    return n;
}

bool Waited(DWORD start, DWORD limit) {
    if (GetTickCount() - start > limit) return false;
    Sleep(20);
    return true;
}

HWND TastraItem(int id) { return GetDlgItem(FindWindowW(nullptr, kTastra), id); }

constexpr int kTextChars = 65536;
wchar_t g_text[kTextChars];

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const wchar_t* command = argv[1];
    auto arg = [&](int i) -> const wchar_t* { return i < argc ? argv[i] : nullptr; };
    auto number = [&](int i) { return static_cast<DWORD>(i < argc ? _wtol(argv[i]) : 0); };

    if (!wcscmp(command, L"text")) {
        HWND window = Target(arg(2), arg(3));
        int length = window ? Text(window, g_text, kTextChars) : -1;
        if (length < 0) return 1;
        PrintHex(g_text, length);
        return 0;
    }
    if (!wcscmp(command, L"wait-suffix") && argc >= 6) {
        char hex[4096];
        std::snprintf(hex, sizeof hex, "%ls", argv[4]);
        wchar_t suffix[1024];
        int suffixLength = ParseHex(hex, suffix, 1024);
        DWORD start = GetTickCount();
        int length = -1;
        do {
            HWND window = Target(arg(2), arg(3));
            length = window ? Text(window, g_text, kTextChars) : -1;
            if (length >= suffixLength && !wmemcmp(g_text + length - suffixLength, suffix, suffixLength)) {
                PrintHex(g_text, length);
                return 0;
            }
        } while (Waited(start, number(5)));
        PrintHex(g_text, length < 0 ? 0 : length);
        return 1;
    }
    if (!wcscmp(command, L"wait-ready") && argc >= 3) {
        // Tastra's window exists before its controls; the status line is filled last.
        DWORD start = GetTickCount();
        do {
            HWND status = TastraItem(1006);
            if (status != nullptr && IsWindowVisible(GetParent(status)) && Text(status, g_text, kTextChars) > 0)
                return 0;
        } while (Waited(start, number(2)));
        return 1;
    }
    if (!wcscmp(command, L"item") && argc >= 3) {
        HWND item = TastraItem(_wtoi(argv[2]));
        int length = item ? Text(item, g_text, kTextChars) : -1;
        if (length < 0) return 1;
        PrintHex(g_text, length);
        return 0;
    }
    if (!wcscmp(command, L"items")) {
        HWND list = TastraItem(1000);
        LRESULT count = list ? SendMessageW(list, CB_GETCOUNT, 0, 0) : CB_ERR;
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(g_text));
            PrintHex(g_text, length < 0 ? 0 : static_cast<int>(length));
        }
        return count == CB_ERR ? 1 : 0;
    }
    if (!wcscmp(command, L"select") && argc >= 3) {
        HWND list = TastraItem(1000);
        LRESULT index =
            list ? SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(argv[2]))
                 : CB_ERR;
        return index == CB_ERR ? 1 : 0;
    }
    if (!wcscmp(command, L"click") && argc >= 3) {
        int id = _wtoi(argv[2]);
        HWND dialog = FindWindowW(nullptr, kTastra);
        return dialog && PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)))
                   ? 0
                   : 1;
    }
    if (!wcscmp(command, L"focus") && argc >= 4) {
        DWORD start = GetTickCount();
        do {
            HWND window = Find(argv[2], nullptr);
            if (window == nullptr) continue;
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            if (GetForegroundWindow() == window && GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
                info.hwndFocus != nullptr)
                return 0;
            SetForegroundWindow(window);
        } while (Waited(start, number(3)));
        return 1;
    }
    if (!wcscmp(command, L"wait-foreground") && argc >= 4) {
        DWORD start = GetTickCount();
        do {
            HWND window = Find(argv[2], nullptr);
            if (window == nullptr) window = Find(nullptr, argv[2]);
            if (window != nullptr && GetForegroundWindow() == window && IsWindowVisible(window)) return 0;
        } while (Waited(start, number(3)));
        return 1;
    }
    if (!wcscmp(command, L"wait-window") && argc >= 5) {
        bool gone = argc >= 6 && !wcscmp(argv[5], L"gone");
        DWORD start = GetTickCount();
        do {
            HWND window = Find(argv[2], argv[3]);
            if ((window != nullptr) != gone) return 0;
        } while (Waited(start, number(4)));
        return 1;
    }
    if (!wcscmp(command, L"visible") && argc >= 3) {
        HWND window = Find(nullptr, argv[2]);
        std::printf("%d\n", window != nullptr && IsWindowVisible(window) ? 1 : 0);
        return window != nullptr ? 0 : 1;
    }
    if (!wcscmp(command, L"hide") && argc >= 3) {
        HWND window = Find(nullptr, argv[2]);
        return window != nullptr && (ShowWindow(window, SW_HIDE), !IsWindowVisible(window)) ? 0 : 1;
    }
    if (!wcscmp(command, L"ping") && argc >= 4) {
        HWND window = Find(nullptr, argv[2]);
        DWORD start = GetTickCount();
        DWORD_PTR answer = 0;
        BOOL answered =
            window != nullptr && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, number(3), &answer);
        std::printf("%lu\n", static_cast<unsigned long>(GetTickCount() - start));
        return answered ? 0 : 1;
    }
    if (!wcscmp(command, L"owned") && argc >= 3) {
        HWND owner = Find(argv[2], nullptr);
        if (owner == nullptr) return 1;
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            if (GetWindow(w, GW_OWNER) != owner || !IsWindowVisible(w)) continue;
            wchar_t cls[256];
            GetClassNameW(w, cls, 256);
            std::printf("%ls\n", cls);
        }
        return 0;
    }
    if (!wcscmp(command, L"console-log") && argc >= 3) {
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        SetConsoleMode(input, 0);
        FILE* log = _wfopen(argv[2], L"w");
        if (log == nullptr) return 1;
        INPUT_RECORD record;
        DWORD count = 0;
        while (ReadConsoleInputW(input, &record, 1, &count)) {
            if (count != 1 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
            std::fprintf(log, "%02X:%04X\n", record.Event.KeyEvent.wVirtualKeyCode,
                         static_cast<unsigned>(record.Event.KeyEvent.uChar.UnicodeChar));
            std::fflush(log);
        }
        return 0;
    }
    return 2;
}
