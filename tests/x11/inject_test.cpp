// Key injection on Xvfb with a window manager: what an xterm running
// `cat > file` and an xev window receive.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "tests/x11/desktop_support.h"

namespace {


// As the input translation posts a key: down, up.
void PressKey(WORD key)
{
    HWND target = X11KeyboardTarget();
    X11PostKeyMessage(target, WM_KEYDOWN, key, 1);
    X11PostKeyMessage(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// As the input translation posts a control byte: the key, then its character.
void PressKeyWithCharacter(WORD key)
{
    PressKey(key);
    X11PostKeyMessage(X11KeyboardTarget(), WM_CHAR, key, 1);
}

class InjectTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(X11DesktopOpen(nullptr)); }
    void TearDown() override
    {
        StopClient(client);
        X11DesktopClose();
    }

    // Types into a fresh xterm and returns the file once `lines` lines arrived.
    std::string TypeIntoXterm(const std::function<void()>& typing, size_t lines, const char* name)
    {
        std::string file = TempPath(name);
        TypingTarget xterm = StartTypingXterm(file, name);
        client = xterm.pid;
        EXPECT_NE(xterm.window, 0);
        typing();
        WaitFor([&] {
            std::string content = ReadFile(file);
            return static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) >= lines;
        });
        return ReadFile(file);
    }

    pid_t client = 0;
};

TEST_F(InjectTest, AsciiAndControlKeysArriveOnceEach)
{
    const std::u16string line = u"Hello, World! 0123456789 ~`{}|\"<>?_+=-[]\\;':,./ AZaz";
    std::string content = TypeIntoXterm([&] {
        TypeText(line);
        PressKeyWithCharacter(VK_RETURN);
        TypeText(u"abc");
        PressKeyWithCharacter(VK_BACK);  // one erase, not two
        PressKeyWithCharacter(VK_TAB);
        PressKeyWithCharacter(VK_ESCAPE);
        TypeText(u"x");
        X11PostKeyMessage(X11KeyboardTarget(), WM_CHAR, 0x0D, 1);  // a character alone is typed
        TypeText(u"\r");
    }, 3, "ascii.txt");
    EXPECT_EQ(content, Utf8(line) + "\nab\t\x1bx\n\n");
}

TEST_F(InjectTest, SpecialLatin1AndEuroCharactersArriveExactly)
{
    // More distinct characters than there are spare keycodes: some are rebound.
    const std::u16string specials = u"ª½©∆≥£¹±®≤¾∞¼¤×¥÷";
    const std::u16string latin1 = u"éäßüÖÄÜçñøå¿¡§°µ¶";
    std::string content = TypeIntoXterm([&] {
        TypeText(specials);
        PressKeyWithCharacter(VK_RETURN);
        TypeText(latin1 + u"€" + specials);
        PressKeyWithCharacter(VK_RETURN);
    }, 2, "special.txt");
    EXPECT_EQ(content, Utf8(specials) + "\n" + Utf8(latin1 + u"€" + specials) + "\n");
}

TEST_F(InjectTest, ThousandAsciiAndTwoHundredSpecialCharacters)
{
    std::u16string ascii, special;
    const std::u16string specials = u"ª½©∆≥£¹±®≤¾∞¼¤×¥÷€";
    for (int i = 0; i < 1000; ++i)
        ascii += static_cast<char16_t>(u'!' + i % 94);
    for (int i = 0; i < 200; ++i)
        special += specials[i % specials.size()];
    double asciiSeconds = 0, specialSeconds = 0;
    std::string content = TypeIntoXterm([&] {
        auto start = std::chrono::steady_clock::now();
        TypeText(ascii);
        asciiSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        PressKeyWithCharacter(VK_RETURN);
        start = std::chrono::steady_clock::now();
        TypeText(special);
        specialSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        PressKeyWithCharacter(VK_RETURN);
    }, 2, "speed.txt");
    EXPECT_EQ(content, Utf8(ascii) + "\n" + Utf8(special) + "\n");
    std::printf("1000 ASCII characters: %.0f/s; 200 special characters: %.0f/s\n", 1000 / asciiSeconds,
                200 / specialSeconds);
}

TEST_F(InjectTest, CursorAndEditingKeysArriveAsKeyPresses)
{
    std::string log = TempPath("xev.log");
    client = StartClient({"sh", "-c", "exec xev -name tastra-xev > '" + log + "'"});
    HWND window = 0;
    ASSERT_TRUE(WaitFor([&] { return (window = X11FindTopLevel(nullptr, u"tastra-xev")) != 0; }));
    ASSERT_TRUE(WaitFor([&] {
        if (X11ActiveWindow() != window)
            X11ShowAndActivate(window);
        return X11ActiveWindow() == window && X11KeyboardTarget() > 1;
    }));
    const WORD keys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};
    for (WORD key : keys)
        PressKey(key);
    PressKey(VK_UP);
    const char* const expected[] = {"keysym 0xff52, Up", "keysym 0xff54, Down", "keysym 0xff51, Left",
                                    "keysym 0xff53, Right", "keysym 0xff50, Home", "keysym 0xff57, End",
                                    "keysym 0xffff, Delete"};
    // The last Up's release ends the log of what was typed.
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return count(ReadFile(log), "keysym 0xff52, Up") >= 4; }));
    std::string text = ReadFile(log);
    for (const char* key : expected)
        EXPECT_NE(text.find(key), std::string::npos) << key;
    // Each WM_KEYDOWN/WM_KEYUP pair is one press and one release.
    EXPECT_EQ(count(text, "keysym 0xff52, Up"), 4u);
    EXPECT_EQ(count(text, "keysym 0xff50, Home"), 2u);
}

TEST_F(InjectTest, MessagesForMissingTargetsOrOfOtherKindsAreRefused)
{
    EXPECT_FALSE(X11PostKeyMessage(0, WM_CHAR, 'a', 1));
    EXPECT_FALSE(X11PostKeyMessage(0x7ffffff0, WM_KEYDOWN, VK_UP, 1));
    HWND root = X11KeyboardTarget();
    ASSERT_NE(root, -1);
    EXPECT_FALSE(X11PostKeyMessage(root, WM_CLOSE, 0, 0));
}

}  // namespace
