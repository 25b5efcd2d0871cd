// Implements platform/common/key_strokes.h.
#include "platform/common/key_strokes.h"

#include "platform/window.h"

namespace {

struct KeyStrokeState {
    // The character the last key press produced itself, and for which target.
    WCHAR pressedCharacter;
    HWND pressedTarget;
};
KeyStrokeState g_keyStrokes{};

// The control characters that typing their key produces in every program.
WCHAR CharacterOfKey(WORD virtualKey) {
    switch (virtualKey) {
        case VK_BACK: return 0x08;
        case VK_TAB: return 0x09;
        case VK_RETURN: return 0x0D;
        case VK_ESCAPE: return 0x1B;
        default: return 0;
    }
}

}  // namespace

BOOL TypeKeyMessage(const KeyStrokeTyper& typer, HWND target, UINT message, WPARAM wParam) {
    WORD virtualKey = static_cast<WORD>(wParam & 0xFF);
    if (message == WM_KEYDOWN) {
        bool typed = typer.typeKey(virtualKey);
        g_keyStrokes.pressedCharacter = typed ? CharacterOfKey(virtualKey) : 0;
        g_keyStrokes.pressedTarget = target;
        return typed ? TRUE : FALSE;
    }
    if (message == WM_KEYUP) return typer.hasKey(virtualKey) ? TRUE : FALSE;
    if (message != WM_CHAR) return FALSE;
    WCHAR character = static_cast<WCHAR>(wParam);
    bool producedByKey =
        character != 0 && character == g_keyStrokes.pressedCharacter && target == g_keyStrokes.pressedTarget;
    g_keyStrokes.pressedCharacter = 0;
    if (producedByKey) return TRUE;
    return typer.typeCharacter(character) ? TRUE : FALSE;
}

void ResetKeyStrokes() { g_keyStrokes = KeyStrokeState{}; }
