// What the program must post for the bytes a VT100 sends, written from the
// terminal's byte table and not from the program: the one model of the key
// tests, the burst test and the translation fuzzer.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/types.h"

// One key or character message, as the target sees it.
struct KeyMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const KeyMessage&) const = default;
};
std::ostream& operator<<(std::ostream& out, const KeyMessage& m);

typedef std::vector<KeyMessage> KeyMessages;
KeyMessages Press(WORD virtualKey);
KeyMessages Char(WORD character);
KeyMessages operator+(KeyMessages a, const KeyMessages& b);
KeyMessages Chars(const std::string& text);

// A byte read on its own (ESC: a lone Esc): the key it presses and the
// character it types, 0 for none.
struct ByteMeaning {
    WORD key;
    WORD character;
};
ByteMeaning MeaningOf(BYTE b);
KeyMessages MessagesOf(BYTE b);
// The key of ESC [ `final`, 0 for a final byte that means nothing.
WORD CursorKeyOf(BYTE final);

// The receive buffer of one tick.
constexpr size_t MODEL_BUFFER_BYTES = 260;

// What one tick posts for the bytes it read. `wait` is asked at most once,
// when an ESC ends the bytes read and the buffer has room: it gets the room
// and returns what the read after the short wait takes. A terminal's
// device-attributes answer (ESC [ ? digits and ";" up to "c") posts
// nothing; `answerOpen` carries one cut off by the end of a read over to
// the next tick.
typedef std::function<std::vector<BYTE>(size_t room)> WaitRead;
struct ModelLine {
    bool answerOpen = false;
};
KeyMessages ModelTick(std::vector<BYTE> bytes, const WaitRead& wait = nullptr, ModelLine* line = nullptr);

// What the program posted to `target` so far, on the emulated handheld.
KeyMessages KeysPostedTo(HWND target);
