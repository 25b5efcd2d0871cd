// Key and character messages posted to another program's window, typed on a
// desktop that only knows key strokes (XTest, a virtual keyboard). The
// desktop types; these rules decide what a message types:
// - WM_KEYDOWN types the whole press and release, so a key can never stay
//   held (and repeat) when the release is lost or the target goes away;
// - WM_KEYUP types nothing; it succeeds when the key exists;
// - WM_CHAR of a character that the key press just before produced itself,
//   for the same target (Backspace, Tab, Return, Escape), is not typed twice.
#pragma once

#include "platform/types.h"

struct KeyStrokeTyper {
    // Types the press and release of a virtual key; false when it has no key.
    bool (*typeKey)(WORD virtualKey);
    // Whether the desktop has a key for the virtual key.
    bool (*hasKey)(WORD virtualKey);
    // Types one UTF-16 character; false when the desktop cannot type it.
    bool (*typeCharacter)(WCHAR character);
};

// Types what a WM_KEYDOWN, WM_KEYUP or WM_CHAR for `target` means. TRUE when
// the message was carried out; FALSE for other messages and what cannot be typed.
BOOL TypeKeyMessage(const KeyStrokeTyper& typer, HWND target, UINT message, WPARAM wParam);

// Forgets the last key press (a new desktop connection, a test's start).
void ResetKeyStrokes();
