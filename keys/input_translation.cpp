// Terminal bytes to key and character messages for the focused application.
#include "keys/input_translation.h"

#include "keys/function_keys.h"
#include "platform/serial.h"
#include "platform/system.h"
#include "platform/window.h"

// Ctrl+letter bytes 1 to 31 (entry n - 1 for byte n): the special characters
// that the terminal's keyboard lacks. 0: no character.
const WORD CTRL_CHAR_MAP[31] = {
    0x00AA, 0x00BD, 0x00A9, 0x2206, 0x0000, 0x0000, 0x2265, 0x0008,  // 01-08
    0x0009, 0x0000, 0x0000, 0x00A3, 0x000D, 0x0000, 0x00B9, 0x00B1,  // 09-10
    0x0000, 0x00AE, 0x2264, 0x00BE, 0x221E, 0x00BC, 0x00A4, 0x00D7,  // 11-18
    0x00A5, 0x00F7, 0x001B, 0x0000, 0x0000, 0x0000, 0x0000,          // 19-1F
};

namespace {
constexpr BYTE ESC = 0x1B;
constexpr WORD EURO_SIGN = 0x20AC;
constexpr LPARAM KEYDOWN_FLAGS = 1;         // repeat count 1, key was up
constexpr LPARAM KEYUP_FLAGS = 0xC0000001;  // repeat count 1, key was down, released
constexpr LPARAM CHAR_FLAGS = 1;
constexpr DWORD ESC_WAIT_MS = 5;

// Reads up to `capacity` bytes without waiting; a failed read transfers
// nothing and clears *ok.
WORD ReadAvailable(HANDLE port, BYTE* into, WORD capacity, bool* ok = nullptr) {
    DWORD received = 0;
    if (capacity == 0) return 0;
    BOOL read = ReadFile(port, into, capacity, &received, nullptr);
    if (ok != nullptr) *ok = read != FALSE;
    if (!read) return 0;
    // A backend that reports more than it was given room for must not push
    // the count past the buffer.
    return static_cast<WORD>(received < capacity ? received : capacity);
}

// The terminal's answer to the device-attributes request, ESC [ ? then
// digits and semicolons up to a final "c", is never the user's text. It may
// come late and split across reads: the part after a read's end is
// swallowed at the start of the next.
struct TranslationState {
    bool answerOpen;  // the last read ended inside an answer
};
TranslationState g_translation;

bool IsAnswerParameter(BYTE b) { return (b >= '0' && b <= '9') || b == ';'; }

// From `from`, past the answer's parameters and its final "c": the index of
// the first byte after them. An answer still open at the read's end is
// remembered, so that its rest is swallowed from the next read on.
WORD SkipAnswerRest(const BYTE* buffer, WORD count, WORD from) {
    WORD i = from;
    while (i < count && IsAnswerParameter(buffer[i]))
        ++i;
    g_translation.answerOpen = i == count;
    return i < count && buffer[i] == 'c' ? static_cast<WORD>(i + 1) : i;
}

// Whether ESC [ ? at `escape` begins an answer: parameters up to a "c", or
// up to the read's end (the rest comes later).
bool IsDeviceAnswer(const BYTE* buffer, WORD count, WORD escape) {
    if (count - escape < 3 || buffer[escape + 1] != '[' || buffer[escape + 2] != '?') return false;
    WORD i = static_cast<WORD>(escape + 3);
    while (i < count && IsAnswerParameter(buffer[i]))
        ++i;
    return i == count || buffer[i] == 'c';
}

// The key a cursor sequence ESC [ x stands for, 0 for none.
WORD CursorKey(BYTE final) {
    switch (final) {
        case 'A': return VK_UP;
        case 'B': return VK_DOWN;
        case 'C': return VK_RIGHT;
        case 'D': return VK_LEFT;
        case 'H': return VK_HOME;
        case 'K': return VK_END;
        default: return 0;
    }
}

// Returns whether the key closed the program's own dialog, and the link with it.
bool RunFunctionKey(HWND dialog, BYTE final) {
    bool ownDialog = false;
    switch (final) {
        case 'P': ToggleMainWindow(dialog); break;
        case 'Q': ToggleSip(); break;
        case 'R': ToggleDisplayOrientation(); break;
        case 'S':
            ownDialog = GetForegroundWindow() == dialog;
            CloseForegroundWindow();
            break;
        default: break;
    }
    return ownDialog;
}

// The key pressed for a control byte before its character, 0 for none.
WORD ControlKey(BYTE b) {
    switch (b) {
        case 0x05: return VK_END;
        case 0x08: return VK_BACK;
        case 0x09: return VK_TAB;
        case 0x0D: return VK_RETURN;
        case 0x11: return VK_HOME;
        default: return 0;
    }
}

// The character of a plain byte (not ESC, not Delete), 0 for none.
WORD PlainCharacter(BYTE b) {
    if (b == 0) return 0;
    if (b < 0x20) return CTRL_CHAR_MAP[b - 1];
    if (b == 0x80) return EURO_SIGN;
    return b;
}

// Translates the byte at `index`; returns the character to post, 0 for none.
// `mayWait` allows the one wait of the tick for the rest of a key sequence.
WORD TranslateByte(HWND dialog, HWND target, HANDLE port, BYTE* buffer, WORD& count, WORD& index, bool& mayWait) {
    BYTE b = buffer[index];
    if (b == ESC) {
        if (index + 1 == count && mayWait) {
            // Once per tick only: a terminal sending lone ESCs must not hold
            // the dialog for a wait per byte.
            mayWait = false;
            Sleep(ESC_WAIT_MS);
            count += ReadAvailable(port, buffer + count, static_cast<WORD>(RECEIVE_BUFFER_BYTES - count));
        }
        return TranslateEscapeSequence(dialog, target, buffer, count, index);
    }
    if (b == 0x7F) {
        PostVirtualKey(target, VK_DELETE);
        return 0;
    }
    WORD key = ControlKey(b);
    if (key != 0) PostVirtualKey(target, key);
    return PlainCharacter(b);
}
}  // namespace

BOOL PollTerminalInput(HWND dialog, HANDLE port) {
    BYTE buffer[RECEIVE_BUFFER_BYTES];
    bool ok = true;
    WORD count = ReadAvailable(port, buffer, RECEIVE_BUFFER_BYTES, &ok);
    if (!ok) {
        g_translation.answerOpen = false;
        return FALSE;
    }
    if (count == 0) return TRUE;

    HWND target = GetForegroundKeyboardTarget();
    if (target == -1) return TRUE;

    // `count` may grow while ESC waits for the rest of its sequence.
    bool mayWait = true;
    WORD index = 0;
    if (g_translation.answerOpen) index = SkipAnswerRest(buffer, count, 0);
    for (; index < count; ++index) {
        WORD c = TranslateByte(dialog, target, port, buffer, count, index, mayWait);
        if (c != 0) PostMessageW(target, WM_CHAR, c, CHAR_FLAGS);
    }
    return TRUE;
}

void ResetTerminalInput() { g_translation = TranslationState{}; }

WORD TranslateEscapeSequence(HWND dialog, HWND target, BYTE* buffer, WORD count, WORD& index) {
    WORD i = index;
    bool hasIntroducer = count - i >= 2 && (buffer[i + 1] == '[' || buffer[i + 1] == 'O');
    if (!hasIntroducer) {
        // A lone ESC, or one the next byte does not continue: the Escape key.
        PostVirtualKey(target, VK_ESCAPE);
        return ESC;
    }

    if (IsDeviceAnswer(buffer, count, i)) {
        // The caller steps past the last byte of the answer.
        index = static_cast<WORD>(SkipAnswerRest(buffer, count, static_cast<WORD>(i + 3)) - 1);
        return 0;
    }

    index = static_cast<WORD>(i + 2);
    // An introducer that ends the received bytes has no final byte yet: the
    // sequence is dropped rather than completed with whatever lies beyond.
    if (index >= count) return 0;

    BYTE final = buffer[index];
    if (buffer[i + 1] == '[') {
        WORD key = CursorKey(final);
        if (key != 0) PostVirtualKey(target, key);
    } else if (RunFunctionKey(dialog, final)) {
        // The link is closed: the rest of the read is not translated.
        index = static_cast<WORD>(count - 1);
    }
    return 0;
}

void PostVirtualKey(HWND target, WORD key) {
    WPARAM code = key & 0xFF;
    PostMessageW(target, WM_KEYDOWN, code, KEYDOWN_FLAGS);
    PostMessageW(target, WM_KEYUP, code, KEYUP_FLAGS);
}
