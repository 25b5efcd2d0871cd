// The program's resources: the string table (English at each identifier,
// German at the next), the main dialog's template and the icon.
#include "app/shell.h"
#include "base/resource.h"

namespace {
const StringResource STRING_TABLE[] = {
    {IDS_ERR_PORT, u"ERROR: COM port does not work!"},
    {IDS_ERR_PORT + 1, u"FEHLER: COM port funktioniert nicht!"},
    {IDS_ERR_NOCONN, u"ERROR: No connection!"},
    {IDS_ERR_NOCONN + 1, u"FEHLER: Keine Verbindung!"},
    {IDS_CONNECT, u"Connect"},
    {IDS_CONNECT + 1, u"Verbinden"},
    {IDS_DISCONNECT, u"Disconnect"},
    {IDS_DISCONNECT + 1, u"Schliessen"},
    {IDS_CONNECTED, u"is connected"},
    {IDS_CONNECTED + 1, u"ist verbunden"},
    {IDS_CLOSED, u"Connection is closed!"},
    {IDS_CLOSED + 1, u"Verbindung ist geschlossen!"},
    {IDS_SETTING, u"Setting"},
    {IDS_SETTING + 1, u"Einstellung"},
    {IDS_MINIMISE, u"Minimise"},
    {IDS_MINIMISE + 1, u"Minimieren"},
};

constexpr DWORD VISIBLE = WS_VISIBLE;
constexpr DWORD COMBO = CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP | VISIBLE;

const DialogItemTemplate MAIN_ITEMS[] = {
    {IDC_STATIC, CONTROL_STATIC, 7, 7, 35, 10, SS_LEFT | VISIBLE, u"COM port:", 0},
    {IDC_PORT, CONTROL_COMBOBOX, 45, 7, 79, 60, COMBO | CBS_SORT, u"", 0},
    {IDC_STATUS, CONTROL_EDIT, 7, 38, 117, 12, WS_DISABLED | WS_BORDER | ES_AUTOHSCROLL | VISIBLE, u"", 0},
    {IDC_CONNECT, CONTROL_BUTTON, 7, 22, 54, 13, BS_PUSHBUTTON | WS_TABSTOP | VISIBLE, u"Connect", 0},
    {IDC_SETTINGS, CONTROL_BUTTON, 70, 22, 54, 13, BS_PUSHBUTTON | WS_TABSTOP, u"", 0},
    {IDC_BAUD, CONTROL_COMBOBOX, 84, 22, 40, 45, COMBO, u"", 0},
    {IDC_WEB, CONTROL_STATIC, 7, 59, 82, 10, SS_LEFT | SS_CENTERIMAGE | VISIBLE, u"", 0},
    {IDC_BAUD_LABEL, CONTROL_STATIC, 64, 24, 20, 10, SS_LEFT | VISIBLE, u"Baud:", 0},
    {IDC_CREDIT, CONTROL_STATIC, 7, 50, 86, 11, SS_LEFT | SS_CENTERIMAGE | VISIBLE, u"", 0},
    {IDC_STATIC, CONTROL_ICON, 95, 53, 18, 16, SS_ICON | VISIBLE, nullptr, IDI_APP},
};

const DialogTemplate DIALOGS[] = {
    {IDD_MAIN, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 131, 76, u"System", 10, WINDOW_TITLE,
     MAIN_ITEMS, sizeof(MAIN_ITEMS) / sizeof(MAIN_ITEMS[0])},
};

// A terminal screen over a row of keys.
const char* const APP_ICON_XPM[] = {
    "16 16 4 1",        "  c None",         ". c #1F2A44",      "+ c #7FD3A8",      "o c #E8E8E8",
    "                ", " .............. ", " .++++++++++++. ", " .+..+.+++++++. ", " .++++++++++++. ",
    " .+...+..+++++. ", " .++++++++++++. ", " .............. ", "                ", " oooooooooooooo ",
    " o.o.o.o.o.o.oo ", " oooooooooooooo ", " oo.o.o.o.o.o.o ", " oooooooooooooo ", " ooo........ooo ",
    "                ",
};

const IconResource ICONS[] = {{IDI_APP, APP_ICON_XPM}};
}  // namespace

const ModuleResources g_moduleResources = {
    STRING_TABLE, sizeof(STRING_TABLE) / sizeof(STRING_TABLE[0]), DIALOGS, 1, ICONS, 1,
};
