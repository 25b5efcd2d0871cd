// The program's own resources: string table, dialog templates and icon.
//
// The program defines one ModuleResources record (its "module"); the backend
// passes its address to WinMain as the instance handle, and LoadStringW and
// CreateDialogParamW read from it. The records only point at constant data
// owned by the program.
#pragma once

#include "platform/types.h"

// Window and control styles, with the handheld's values.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD BS_PUSHBUTTON = 0x0;

enum ControlKind { CONTROL_STATIC, CONTROL_COMBOBOX, CONTROL_EDIT, CONTROL_BUTTON, CONTROL_ICON };

// No control id: labels and the icon.
constexpr int IDC_STATIC = -1;

// One control of a dialog template; position and size in dialog units.
struct DialogItemTemplate {
    int id;
    ControlKind kind;
    short x, y, cx, cy;
    DWORD style;
    const WCHAR* text;  // initial text; for an icon, nullptr (iconId below)
    int iconId;         // resource id of the icon shown by a CONTROL_ICON
};

struct DialogTemplate {
    int id;
    DWORD style;
    short cx, cy;  // dialog units
    const WCHAR* fontName;
    WORD pointSize;
    const WCHAR* caption;
    const DialogItemTemplate* items;
    int itemCount;
};

struct StringResource {
    UINT id;
    const WCHAR* text;
};

// An icon as XPM lines (a portable picture format every backend can read).
struct IconResource {
    int id;
    const char* const* xpm;
};

struct ModuleResources {
    const StringResource* strings;
    int stringCount;
    const DialogTemplate* dialogs;
    int dialogCount;
    const IconResource* icons;
    int iconCount;
};

typedef const ModuleResources* HINSTANCE;

// Copies the string with the given id into buffer (capacity in characters),
// cut to fit and terminated. Returns the characters copied; 0 and an empty
// buffer when the id is unknown.
int LoadStringW(HINSTANCE instance, UINT id, WCHAR* buffer, int capacity);

// The template with the given id, or nullptr.
const DialogTemplate* FindDialogTemplate(HINSTANCE instance, int id);

// The icon with the given id, or nullptr.
const IconResource* FindIconResource(HINSTANCE instance, int id);

// Defined by the program: its resources and its entry point, which the
// backend's start code calls with &g_moduleResources.
extern const ModuleResources g_moduleResources;
int WinMain(HINSTANCE instance, HINSTANCE previous, const WCHAR* commandLine, int showCommand);
