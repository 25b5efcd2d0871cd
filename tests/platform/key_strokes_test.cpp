// The rules that turn posted key messages into strokes, with a desktop that
// records what it was asked to type.
#include <gtest/gtest.h>

#include <string>

#include "platform/common/key_strokes.h"
#include "platform/window.h"

namespace {

std::string g_typed;

bool RecordKey(WORD virtualKey) {
    if (virtualKey == 0xE8) return false;  // a key this desktop does not have
    g_typed.append("k").append(std::to_string(virtualKey)).append(" ");
    return true;
}
bool HasKey(WORD virtualKey) { return virtualKey != 0xE8; }
bool RecordCharacter(WCHAR character) {
    g_typed.append("c").append(std::to_string(character)).append(" ");
    return true;
}
const KeyStrokeTyper kTyper{RecordKey, HasKey, RecordCharacter};

struct Message {
    HWND target;
    UINT message;
    WPARAM wParam;
};

struct Case {
    const char* name;
    Message messages[3];
    const char* typed;
};

// What the core posts: a key press (down and up), or a character, to the keyboard target.
const Case kCases[] = {
    {"key press types once, its release adds nothing", {{7, WM_KEYDOWN, VK_UP}, {7, WM_KEYUP, VK_UP}}, "k38 "},
    {"character its own key produced is not typed again",
     {{7, WM_KEYDOWN, VK_RETURN}, {7, WM_KEYUP, VK_RETURN}, {7, WM_CHAR, 0x0D}},
     "k13 "},
    {"only the character right after its key is skipped",
     {{7, WM_KEYDOWN, VK_BACK}, {7, WM_CHAR, 0x08}, {7, WM_CHAR, 0x08}},
     "k8 c8 "},
    {"the key's character for another target is typed", {{7, WM_KEYDOWN, VK_TAB}, {9, WM_CHAR, 0x09}}, "k9 c9 "},
    {"a key without a character skips nothing", {{7, WM_KEYDOWN, VK_DELETE}, {7, WM_CHAR, 0x7F}}, "k46 c127 "},
    {"a key that could not be typed skips nothing", {{7, WM_KEYDOWN, 0xE8}, {7, WM_CHAR, 0x1B}}, "c27 "},
    {"other messages type nothing", {{7, WM_CLOSE, 0}, {7, WM_TIMER, 1}}, ""},
};

TEST(KeyStrokes, EachMessageTypesWhatItMeansOnce) {
    for (const Case& c : kCases) {
        ResetKeyStrokes();
        g_typed.clear();
        for (const Message& m : c.messages)
            if (m.message != 0) TypeKeyMessage(kTyper, m.target, m.message, m.wParam);
        EXPECT_EQ(g_typed, c.typed) << c.name;
    }
}

TEST(KeyStrokes, AnswersWhetherTheMessageWasCarriedOut) {
    ResetKeyStrokes();
    EXPECT_TRUE(TypeKeyMessage(kTyper, 7, WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(TypeKeyMessage(kTyper, 7, WM_CHAR, 0x1B));
    EXPECT_FALSE(TypeKeyMessage(kTyper, 7, WM_KEYDOWN, 0xE8));
    EXPECT_FALSE(TypeKeyMessage(kTyper, 7, WM_KEYUP, 0xE8));
    EXPECT_TRUE(TypeKeyMessage(kTyper, 7, WM_KEYUP, VK_UP));
    EXPECT_FALSE(TypeKeyMessage(kTyper, 7, WM_CLOSE, 0));
}

}  // namespace
