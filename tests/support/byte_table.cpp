#include "tests/support/byte_table.h"

#include <ostream>

#include "platform/emulated/emu_window.h"
#include "platform/window.h"

namespace {
// Ctrl+letter bytes 00-1F; the Ctrl specials type the characters printed on
// the terminal's keycaps.
const ByteMeaning CONTROL_BYTES[32] = {
    {0, 0},               // 00
    {0, 0x00AA},          // 01 Ctrl+A feminine a
    {0, 0x00BD},          // 02 Ctrl+B one half
    {0, 0x00A9},          // 03 Ctrl+C copyright
    {0, 0x2206},          // 04 Ctrl+D increment
    {VK_END, 0},          // 05 Ctrl+E End
    {0, 0},               // 06 Ctrl+F
    {0, 0x2265},          // 07 Ctrl+G greater or equal
    {VK_BACK, 0x0008},    // 08 Backspace
    {VK_TAB, 0x0009},     // 09 Tab
    {0, 0},               // 0A line feed
    {0, 0},               // 0B Ctrl+K
    {0, 0x00A3},          // 0C Ctrl+L pound
    {VK_RETURN, 0x000D},  // 0D Return
    {0, 0},               // 0E Ctrl+N
    {0, 0x00B9},          // 0F Ctrl+O superscript one
    {0, 0x00B1},          // 10 Ctrl+P plus-minus
    {VK_HOME, 0},         // 11 Ctrl+Q Home
    {0, 0x00AE},          // 12 Ctrl+R registered
    {0, 0x2264},          // 13 Ctrl+S less or equal
    {0, 0x00BE},          // 14 Ctrl+T three quarters
    {0, 0x221E},          // 15 Ctrl+U infinity
    {0, 0x00BC},          // 16 Ctrl+V one quarter
    {0, 0x00A4},          // 17 Ctrl+W currency
    {0, 0x00D7},          // 18 Ctrl+X multiplication
    {0, 0x00A5},          // 19 Ctrl+Y yen
    {0, 0x00F7},          // 1A Ctrl+Z division
    {VK_ESCAPE, 0x001B},  // 1B a lone Esc
    {0, 0},               // 1C
    {0, 0},               // 1D
    {0, 0},               // 1E
    {0, 0},               // 1F
};

void AddPress(KeyMessages& out, WORD key) {
    out.push_back({WM_KEYDOWN, key, 1});
    out.push_back({WM_KEYUP, key, static_cast<LPARAM>(0xC0000001)});
}

void AddByte(KeyMessages& out, BYTE b) {
    ByteMeaning m = MeaningOf(b);
    if (m.key != 0) AddPress(out, m.key);
    if (m.character != 0) out.push_back({WM_CHAR, m.character, 1});
}
}  // namespace

std::ostream& operator<<(std::ostream& out, const KeyMessage& m) {
    const char* name = m.message == WM_KEYDOWN ? "KEYDOWN"
                       : m.message == WM_KEYUP ? "KEYUP"
                       : m.message == WM_CHAR  ? "CHAR"
                                               : "?";
    return out << name << "(0x" << std::hex << m.wParam << ", 0x" << m.lParam << std::dec << ")";
}

KeyMessages Press(WORD virtualKey) {
    KeyMessages out;
    AddPress(out, virtualKey);
    return out;
}

KeyMessages Char(WORD character) { return {{WM_CHAR, character, 1}}; }

KeyMessages operator+(KeyMessages a, const KeyMessages& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

KeyMessages Chars(const std::string& text) {
    KeyMessages all;
    for (unsigned char c : text)
        all = all + Char(c);
    return all;
}

ByteMeaning MeaningOf(BYTE b) {
    if (b < 0x20) return CONTROL_BYTES[b];
    if (b == 0x7F) return {VK_DELETE, 0};
    if (b == 0x80) return {0, 0x20AC};  // the euro sign where ISO 8859-1 has a control
    return {0, b};                      // ASCII, then ISO 8859-1
}

KeyMessages MessagesOf(BYTE b) {
    KeyMessages out;
    AddByte(out, b);
    return out;
}

WORD CursorKeyOf(BYTE final) {
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

namespace {
bool AnswerParameter(BYTE b) { return (b >= '0' && b <= '9') || b == ';'; }

// The index after the parameters and the "c" from `i` on.
size_t PastAnswer(const std::vector<BYTE>& bytes, size_t i, ModelLine& line) {
    while (i < bytes.size() && AnswerParameter(bytes[i]))
        ++i;
    line.answerOpen = i == bytes.size();
    return i < bytes.size() && bytes[i] == 'c' ? i + 1 : i;
}

bool AnswerAt(const std::vector<BYTE>& bytes, size_t i) {
    if (i + 2 >= bytes.size() || bytes[i + 1] != '[' || bytes[i + 2] != '?') return false;
    size_t j = i + 3;
    while (j < bytes.size() && AnswerParameter(bytes[j]))
        ++j;
    return j == bytes.size() || bytes[j] == 'c';
}
}  // namespace

KeyMessages ModelTick(std::vector<BYTE> bytes, const WaitRead& wait, ModelLine* carried) {
    KeyMessages out;
    ModelLine ownLine;
    ModelLine& line = carried != nullptr ? *carried : ownLine;
    bool waited = false;
    size_t start = line.answerOpen && !bytes.empty() ? PastAnswer(bytes, 0, line) : 0;
    for (size_t i = start; i < bytes.size(); ++i) {
        if (bytes[i] != 0x1B) {
            AddByte(out, bytes[i]);
            continue;
        }
        if (i + 1 == bytes.size() && !waited && wait && bytes.size() < MODEL_BUFFER_BYTES) {
            waited = true;
            std::vector<BYTE> more = wait(MODEL_BUFFER_BYTES - bytes.size());
            bytes.insert(bytes.end(), more.begin(), more.end());
        }
        bool introducer = i + 1 < bytes.size() && (bytes[i + 1] == '[' || bytes[i + 1] == 'O');
        if (!introducer) {
            AddByte(out, 0x1B);
            continue;
        }
        if (AnswerAt(bytes, i)) {
            i = PastAnswer(bytes, i + 3, line) - 1;
            continue;
        }
        // ESC [ x and ESC O x take three bytes; one cut off at the end of the
        // read takes what is left and posts nothing.
        if (i + 2 < bytes.size() && bytes[i + 1] == '[') {
            WORD key = CursorKeyOf(bytes[i + 2]);
            if (key != 0) AddPress(out, key);
        }
        i += 2;
    }
    return out;
}

// Read in place from the log: the fuzzer asks this thousands of times a second.
KeyMessages KeysPostedTo(HWND target) {
    KeyMessages keys;
    keys.reserve(EmuMessageLog().size());
    for (const EmuMessage& m : EmuMessageLog())
        if (m.kind == EMU_POSTED && m.target == target &&
            (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_CHAR))
            keys.push_back({m.message, m.wParam, m.lParam});
    return keys;
}
