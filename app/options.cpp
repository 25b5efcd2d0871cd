// The start options: one table gives the parsing and the help text.
#include "app/options.h"

#include "app/shell.h"
#include "base/resource.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window.h"
#include "ports/port_entry.h"

StartOptions g_startOptions = {};

namespace {
enum OptionId { OPT_PORT, OPT_SPEED, OPT_CONNECT, OPT_RECONNECT, OPT_HELP, OPT_VERSION };

struct OptionRow {
    OptionId id;
    const WCHAR* name;
    const WCHAR* value;  // nullptr: a switch, which takes no value
    const WCHAR* help;
};

const OptionRow OPTIONS[] = {
    {OPT_PORT, u"--port", u"PORT", u"select PORT: a device name (COM3:) or an entry's whole text"},
    {OPT_SPEED, u"--speed", u"BAUD", u"select the speed BAUD, one of the dialog's:"},
    {OPT_CONNECT, u"--connect", nullptr, u"connect as the Connect button does"},
    {OPT_RECONNECT, u"--reconnect", nullptr, u"when the line hangs up, connect again once it is back"},
    {OPT_HELP, u"--help", nullptr, u"show this help and exit"},
    {OPT_VERSION, u"--version", nullptr, u"show the version and exit"},
};
constexpr int HELP_COLUMN = 22;
constexpr int HELP_CHARS = 1024;
const WCHAR PROGRAM_NAME[] = u"tastra";
const WCHAR HELP_INDENT[] = u"                     ";  // one short of HELP_COLUMN: each speed brings a blank

// "--name" or "--name=value"; the name's length, the value after '=' or nullptr.
const OptionRow* FindOption(const WCHAR* arg, const WCHAR** inlineValue) {
    const WCHAR* equals = WFind(arg, u"=");
    int nameChars = equals ? static_cast<int>(equals - arg) : WLen(arg);
    *inlineValue = equals ? equals + 1 : nullptr;
    for (const OptionRow& row : OPTIONS)
        if (WLen(row.name) == nameChars && WCompareN(arg, row.name, static_cast<size_t>(nameChars)) == 0) return &row;
    return nullptr;
}

void AppendSpeeds(WCHAR* text, int capacity) {
    for (DWORD rate : BAUD_RATES) {
        WCHAR one[16];
        WFormat(one, 16, u" %u", static_cast<unsigned>(rate));
        WAppend(text, one, static_cast<size_t>(capacity));
    }
}

// Digits only, and a speed of the dialog's list: the line gets no speed
// the user could not have picked there.
DWORD ListedSpeed(const WCHAR* text) {
    if (text[0] == 0 || WLen(text) > 7) return 0;
    for (const WCHAR* c = text; *c != 0; ++c)
        if (*c < u'0' || *c > u'9') return 0;
    DWORD speed = static_cast<DWORD>(WToLong(text));
    for (DWORD rate : BAUD_RATES)
        if (rate == speed) return speed;
    return 0;
}

OptionsOutcome Wrong(WCHAR* message, int capacity, const WCHAR* format, const WCHAR* what) {
    WFormat(message, static_cast<size_t>(capacity), format, what);
    return OPTIONS_WRONG;
}

// The device name of an entry ("COM3:"), matched in any case; the colon may
// be left out.
bool NamesDevice(const WCHAR* port, const WCHAR* entry) {
    int chars = WLen(port);
    if (chars != DEVICE_NAME_CHARS && chars != DEVICE_NAME_CHARS - 1) return false;
    for (int i = 0; i < chars; ++i)
        if (WFoldCase(port[i]) != WFoldCase(entry[i])) return false;
    if (chars == DEVICE_NAME_CHARS - 1 && entry[chars] != u':') return false;
    return entry[DEVICE_NAME_CHARS] == 0 || entry[DEVICE_NAME_CHARS] == u' ';
}

// The whole text wins over a device name, so that of several Bluetooth
// entries under one index each can be named; a device name takes the first
// entry in list order.
bool SelectPort(HWND dialog, const WCHAR* port) {
    LRESULT count = SendDlgItemMessageW(dialog, IDC_PORT, CB_GETCOUNT, 0, 0);
    LRESULT byName = CB_ERR;
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR entry[MAX_TEXT] = {};
        SendDlgItemMessageW(dialog, IDC_PORT, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry));
        if (WCompareNoCase(entry, port) == 0) {
            byName = i;
            break;
        }
        if (byName == CB_ERR && NamesDevice(port, entry)) byName = i;
    }
    if (byName == CB_ERR) return false;
    SendDlgItemMessageW(dialog, IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(byName), 0);
    return true;
}

void SelectSpeed(HWND dialog, DWORD speed) {
    for (int i = 0; i < static_cast<int>(sizeof BAUD_RATES / sizeof BAUD_RATES[0]); ++i)
        if (BAUD_RATES[i] == speed) SendDlgItemMessageW(dialog, IDC_BAUD, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
}
}  // namespace

OptionsOutcome ParseOptions(int count, const WCHAR* const* args, StartOptions* options, WCHAR* message, int capacity) {
    *options = StartOptions{};
    message[0] = 0;
    for (int i = 0; i < count; ++i) {
        const WCHAR* arg = args[i];
        if (WCompareN(arg, u"--", 2) != 0) return Wrong(message, capacity, u"unexpected argument '%s'", arg);
        const WCHAR* value = nullptr;
        const OptionRow* row = FindOption(arg, &value);
        if (row == nullptr) return Wrong(message, capacity, u"unknown option '%s'", arg);
        if (row->value == nullptr && value != nullptr) return Wrong(message, capacity, u"%s takes no value", row->name);
        if (row->value != nullptr && value == nullptr) {
            if (i + 1 == count) return Wrong(message, capacity, u"%s needs a value", row->name);
            value = args[++i];
        }
        switch (row->id) {
            case OPT_PORT:
                if (value[0] == 0) return Wrong(message, capacity, u"%s needs a port name", row->name);
                WCopy(options->port, value, MAX_TEXT);
                break;
            case OPT_SPEED:
                options->speed = ListedSpeed(value);
                if (options->speed == 0) {
                    Wrong(message, capacity, u"speed '%s' is not one of", value);
                    AppendSpeeds(message, capacity);
                    return OPTIONS_WRONG;
                }
                break;
            case OPT_CONNECT: options->connect = true; break;
            case OPT_RECONNECT: options->reconnect = true; break;
            case OPT_HELP: return OPTIONS_HELP;
            case OPT_VERSION: return OPTIONS_VERSION;
        }
    }
    return OPTIONS_START;
}

void FormatHelp(WCHAR* text, int capacity) {
    size_t room = static_cast<size_t>(capacity);
    WFormat(text, room, u"Usage: %s [OPTION]...\nTurns a serial terminal into a keyboard.\n\n", PROGRAM_NAME);
    for (const OptionRow& row : OPTIONS) {
        WCHAR line[MAX_TEXT];
        int chars = WFormat(line, MAX_TEXT, u"  %s%s%s", row.name, row.value ? u" " : u"", row.value ? row.value : u"");
        for (; chars < HELP_COLUMN && chars < MAX_TEXT - 1; ++chars)
            line[chars] = u' ';
        line[chars] = 0;
        WAppend(line, row.help, MAX_TEXT);
        WAppend(line, u"\n", MAX_TEXT);
        if (row.id == OPT_SPEED) {
            WAppend(line, HELP_INDENT, MAX_TEXT);
            AppendSpeeds(line, MAX_TEXT);
            WAppend(line, u"\n", MAX_TEXT);
        }
        WAppend(text, line, room);
    }
    WAppend(text, u"\nWithout options the dialog starts with the first port and speed selected.\n", room);
}

bool ReadStartOptions(int argc, char** argv, int* exitCode) {
    static WCHAR arguments[MAX_ARGUMENTS][MAX_TEXT];
    const WCHAR* pointers[MAX_ARGUMENTS];
    WCHAR text[HELP_CHARS];
    int count = GetProgramArguments(argc, argv, arguments, MAX_ARGUMENTS);
    OptionsOutcome outcome = OPTIONS_WRONG;
    WCHAR message[MAX_TEXT] = u"too many arguments, or one too long";
    if (count >= 0) {
        for (int i = 0; i < count; ++i)
            pointers[i] = arguments[i];
        outcome = ParseOptions(count, pointers, &g_startOptions, message, MAX_TEXT);
    }
    switch (outcome) {
        case OPTIONS_START: return true;
        case OPTIONS_HELP:
            FormatHelp(text, HELP_CHARS);
            WriteStandardText(STD_OUTPUT, text);
            *exitCode = 0;
            return false;
        case OPTIONS_VERSION:
            WFormat(text, HELP_CHARS, u"%s\n", WINDOW_TITLE);
            WriteStandardText(STD_OUTPUT, text);
            *exitCode = 0;
            return false;
        case OPTIONS_WRONG: break;
    }
    WFormat(text, HELP_CHARS, u"%s: %s\nTry '%s --help'.\n", PROGRAM_NAME, message, PROGRAM_NAME);
    WriteStandardText(STD_ERROR, text);
    *exitCode = EXIT_WRONG_OPTION;
    return false;
}

bool SelectStartPort(HWND dialog) {
    if (!SelectPort(dialog, g_startOptions.port)) return false;
    UpdatePortControls(dialog);
    return true;
}

void ApplyStartOptions(HWND dialog) {
    if (g_startOptions.speed != 0) SelectSpeed(dialog, g_startOptions.speed);
    if (g_startOptions.port[0] != 0 && !SelectStartPort(dialog)) {
        SetControlString(g_hInstance, IDS_ERR_PORT + g_langOffset, dialog, IDC_STATUS);
        // An adapter plugged in after the start is what --reconnect waits for.
        if (g_startOptions.connect && g_startOptions.reconnect) AwaitStartPort(dialog);
        return;
    }
    if (g_startOptions.connect) ConnectAtStart(dialog);
}
