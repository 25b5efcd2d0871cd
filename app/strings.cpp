// Loads a text of the string table into a dialog control.
#include "app/shell.h"
#include "platform/window.h"

void SetControlString(HINSTANCE instance, UINT stringId, HWND dialog, int controlId) {
    WCHAR text[MAX_TEXT];
    LoadStringW(instance, stringId, text, MAX_TEXT);
    SetDlgItemTextW(dialog, controlId, text);
}
