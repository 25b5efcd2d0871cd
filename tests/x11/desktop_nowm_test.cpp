// The foreground window and keyboard target on Xvfb without a window
// manager, and after one has exited.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "tests/x11/desktop_fixture.h"
#include "tests/x11/desktop_support.h"

namespace {

using DesktopWithoutManagerTest = DesktopClientsTest;

TEST_F(DesktopWithoutManagerTest, ActiveWindowIsTheFocusTopLevel) {
    ASSERT_FALSE(X11WindowManagerRunning());
    // The focus follows the pointer at first: no window is active.
    EXPECT_EQ(X11ActiveWindow(), 0);
    EXPECT_NE(X11KeyboardTarget(), -1);

    std::string file = TempPath("nowm.txt");
    TypingTarget xterm = StartTypingXterm(file, "no-wm");
    clients.push_back(xterm.pid);
    ASSERT_NE(xterm.window, 0);
    EXPECT_EQ(X11ActiveWindow(), xterm.window);
    // Without a manager nothing delays the first keys: an xterm that has only
    // just mapped can drop them. Knock until a Return arrives, then type.
    bool ready = false;
    for (int attempt = 0; attempt < 10 && !ready; ++attempt) {
        TypeText(u"\r");
        ready = WaitFor([&] { return !ReadFile(file).empty(); }, 2000);
    }
    ASSERT_TRUE(ready);
    std::string knocks = ReadFile(file);
    TypeText(u"without a manager\r");
    EXPECT_TRUE(WaitFor([&] { return ReadFile(file) == knocks + "without a manager\n"; })) << ReadFile(file);
}

TEST_F(DesktopWithoutManagerTest, AnExitedManagersActiveWindowIsNotBelieved) {
    std::string firstFile = TempPath("first.txt");
    TypingTarget first = StartTypingXterm(firstFile, "first");
    clients.push_back(first.pid);
    pid_t manager = StartClient({"matchbox-window-manager", "-use_titlebar", "no"});
    ASSERT_TRUE(WaitFor([] { return X11WindowManagerRunning(); }));
    std::string secondFile = TempPath("second.txt");
    TypingTarget second = StartTypingXterm(secondFile, "second");
    clients.push_back(second.pid);
    ASSERT_EQ(X11ActiveWindow(), second.window);
    StopClient(manager);
    ASSERT_TRUE(WaitFor([] { return !X11WindowManagerRunning(); }));

    // The root still names the second window; the focus decides now.
    ASSERT_TRUE(X11ShowAndActivate(first.window));
    EXPECT_TRUE(WaitFor([&] { return X11ActiveWindow() == first.window; }));
}

}  // namespace
