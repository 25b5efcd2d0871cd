// Key injection on Xvfb with a window manager: what an xterm running
// `cat > file` and an xev window receive.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "tests/x11/desktop_support.h"

namespace {

class InjectTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(X11DesktopOpen(nullptr)); }
    void TearDown() override {
        StopClient(client);
        X11DesktopClose();
    }

    // Types into a fresh xterm and returns the file once `lines` lines arrived.
    std::string TypeIntoXterm(const std::function<void()>& typing, size_t lines, const char* name) {
        std::string file = TempPath(name);
        TypingTarget xterm = StartTypingXterm(file, name);
        client = xterm.pid;
        EXPECT_NE(xterm.window, 0);
        typing();
        EXPECT_TRUE(TypeWaitingKeys());
        WaitFor([&] {
            std::string content = ReadFile(file);
            return static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) >= lines;
        });
        return ReadFile(file);
    }

    pid_t client = 0;
};

TEST_F(InjectTest, AsciiAndControlKeysArriveOnceEach) {
    const std::u16string line = u"Hello, World! 0123456789 ~`{}|\"<>?_+=-[]\\;':,./ AZaz";
    std::string content = TypeIntoXterm(
        [&] {
            TypeText(line);
            PressKeyWithCharacter(VK_RETURN);
            TypeText(u"abc");
            PressKeyWithCharacter(VK_BACK);  // one erase, not two
            PressKeyWithCharacter(VK_TAB);
            PressKeyWithCharacter(VK_ESCAPE);
            TypeText(u"x");
            X11PostKeyMessage(X11KeyboardTarget(), WM_CHAR, 0x0D, 1);  // a character alone is typed
            TypeText(u"\r");
        },
        3, "ascii.txt");
    EXPECT_EQ(content, Utf8(line) + "\nab\t\x1bx\n\n");
}

TEST_F(InjectTest, SpecialLatin1AndEuroCharactersArriveExactly) {
    // More distinct characters than there are spare keycodes: some are rebound.
    const std::u16string specials = u"ª½©∆≥£¹±®≤¾∞¼¤×¥÷";
    const std::u16string latin1 = u"éäßüÖÄÜçñøå¿¡§°µ¶";
    std::string content = TypeIntoXterm(
        [&] {
            TypeText(specials);
            PressKeyWithCharacter(VK_RETURN);
            TypeText(latin1 + u"€" + specials);
            PressKeyWithCharacter(VK_RETURN);
        },
        2, "special.txt");
    EXPECT_EQ(content, Utf8(specials) + "\n" + Utf8(latin1 + u"€" + specials) + "\n");
}

TEST_F(InjectTest, ThousandAsciiAndTwoHundredSpecialCharacters) {
    std::u16string ascii, special;
    const std::u16string specials = u"ª½©∆≥£¹±®≤¾∞¼¤×¥÷€";
    for (int i = 0; i < 1000; ++i)
        ascii += static_cast<char16_t>(u'!' + i % 94);
    for (int i = 0; i < 200; ++i)
        special += specials[i % specials.size()];
    double asciiSeconds = 0, specialSeconds = 0;
    std::string content = TypeIntoXterm(
        [&] {
            auto start = std::chrono::steady_clock::now();
            TypeText(ascii);
            asciiSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            PressKeyWithCharacter(VK_RETURN);
            start = std::chrono::steady_clock::now();
            TypeText(special);
            specialSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            PressKeyWithCharacter(VK_RETURN);
        },
        2, "speed.txt");
    EXPECT_EQ(content, Utf8(ascii) + "\n" + Utf8(special) + "\n");
    std::printf("1000 ASCII characters: %.0f/s; 200 special characters: %.0f/s\n", 1000 / asciiSeconds,
                200 / specialSeconds);
}

TEST_F(InjectTest, CursorAndEditingKeysArriveAsKeyPresses) {
    std::string log = TempPath("xev.log");
    client = StartClient({"sh", "-c", "exec xev -name tastra-xev > '" + log + "'"});
    HWND window = 0;
    ASSERT_TRUE(WaitFor([&] { return (window = X11FindTopLevel(nullptr, u"tastra-xev")) != 0; }));
    ASSERT_TRUE(WaitFor([&] {
        if (X11ActiveWindow() != window) X11ShowAndActivate(window);
        return X11ActiveWindow() == window && X11KeyboardTarget() > 1;
    }));
    const WORD keys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};
    for (WORD key : keys)
        PressKey(key);
    PressKey(VK_UP);
    ASSERT_TRUE(TypeWaitingKeys());
    const char* const expected[] = {"keysym 0xff52, Up",    "keysym 0xff54, Down", "keysym 0xff51, Left",
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

void ActivateWindow(long window, long) { X11Activate(window); }

TEST_F(InjectTest, PostingNeverWaitsAndAnActionWaitsForTheKeysBeforeIt) {
    // More distinct characters than the spare keycodes' levels hold: most
    // wait for a level to be rebound.
    std::u16string text;
    for (char16_t c = u'\u0400'; c < u'\u0480'; ++c)
        text += c;
    std::string log = TempPath("order-xev.log");
    pid_t xev = StartClient({"sh", "-c", "exec xev -name tastra-order-xev > '" + log + "'"});
    HWND other = 0;
    // Mapped before the xterm starts, so that the window manager's focus settles on the xterm.
    ASSERT_TRUE(
        WaitFor([&] { return (other = X11FindTopLevel(nullptr, u"tastra-order-xev")) != 0 && X11IsMapped(other); }));
    double longestMs = 0;
    bool waited = false;
    std::string content = TypeIntoXterm(
        [&] {
            HWND target = X11KeyboardTarget();
            for (char16_t c : text) {
                auto start = std::chrono::steady_clock::now();
                X11PostKeyMessage(target, WM_CHAR, c, 1);
                longestMs = std::max(
                    longestMs,
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            }
            PressKeyWithCharacter(VK_RETURN);
            waited = X11KeysWaiting() > 0;
            // As PF1 would: the focus moves only once everything before is typed.
            X11AfterWaitingKeys(ActivateWindow, other, 0);
        },
        1, "order.txt");
    EXPECT_TRUE(waited);
    EXPECT_LT(longestMs, 50.0);
    EXPECT_EQ(content, Utf8(text) + "\n");
    EXPECT_TRUE(WaitFor([&] { return X11ActiveWindow() == other; }));
    StopClient(xev);
}

// The window manager may hand the focus to another window for a moment (the
// dialog that PF1 pressed twice shows and withdraws at once): keys for the
// window that had it wait for it, never go to the other, and are dropped
// only when it has not come back within seconds, or at once when the user
// clicked into the program's own dialog.
TEST_F(InjectTest, KeysWaitForTheirWindowToGetTheFocusBackAndNeverGoElsewhere) {
    std::string log = TempPath("focus-xev.log");
    pid_t xev = StartClient({"sh", "-c", "exec xev -name tastra-focus-xev > '" + log + "'"});
    HWND other = 0;
    ASSERT_TRUE(
        WaitFor([&] { return (other = X11FindTopLevel(nullptr, u"tastra-focus-xev")) != 0 && X11IsMapped(other); }));
    auto post = [](HWND target, const char* text) {
        for (const char* c = text; *c; ++c)
            X11PostKeyMessage(target, WM_CHAR, static_cast<WPARAM>(*c), 1);
        X11PostKeyMessage(target, WM_KEYDOWN, VK_RETURN, 1);
        X11PostKeyMessage(target, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
    };
    auto focusOn = [](HWND window) {
        return WaitFor([&] {
            if (X11TopLevelOf(X11KeyboardTarget()) != window) X11Activate(window);
            return X11TopLevelOf(X11KeyboardTarget()) == window;
        });
    };
    bool held = false, dropped = false, droppedAtOnce = false;
    std::string content = TypeIntoXterm(
        [&] {
            HWND target = X11KeyboardTarget();
            HWND xterm = X11TopLevelOf(target);
            ASSERT_TRUE(focusOn(other));
            post(target, "lost");
            auto start = std::chrono::steady_clock::now();
            dropped = TypeWaitingKeys() && std::chrono::steady_clock::now() - start > std::chrono::seconds(2);
            post(target, "clicked");
            X11DropWaitingKeys(other);
            droppedAtOnce = X11KeysWaiting() == 0;
            post(target, "back");
            X11TypeWaitingKeys();
            held = X11KeysWaiting() > 0;
            ASSERT_TRUE(focusOn(xterm));
        },
        1, "focus.txt");
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(droppedAtOnce);
    EXPECT_TRUE(held);
    EXPECT_EQ(content, "back\n");
    StopClient(xev);
    EXPECT_EQ(ReadFile(log).find("KeyPress"), std::string::npos);
}

TEST_F(InjectTest, MessagesForMissingTargetsOrOfOtherKindsAreRefused) {
    EXPECT_FALSE(X11PostKeyMessage(0, WM_CHAR, 'a', 1));
    EXPECT_FALSE(X11PostKeyMessage(0x7ffffff0, WM_KEYDOWN, VK_UP, 1));
    HWND root = X11KeyboardTarget();
    ASSERT_NE(root, -1);
    EXPECT_FALSE(X11PostKeyMessage(root, WM_CLOSE, 0, 0));
}

}  // namespace
