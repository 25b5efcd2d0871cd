// Other clients' windows on Xvfb with a window manager: finding, activating,
// hiding and closing them.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "tests/x11/desktop_fixture.h"
#include "tests/x11/desktop_support.h"

namespace {

class DesktopWindowsTest : public DesktopClientsTest {
  protected:
    HWND StartXterm(const char* title) {
        clients.push_back(StartClient({"xterm", "-T", title, "-e", "sleep", "300"}));
        std::u16string wide(title, title + std::strlen(title));
        HWND window = 0;
        WaitFor([&] { return (window = X11FindTopLevel(nullptr, wide.c_str())) != 0 && X11IsMapped(window); });
        return window;
    }
};

TEST_F(DesktopWindowsTest, FindsClientsByTitleClassOrInstance) {
    HWND window = StartXterm("find-me");
    ASSERT_NE(window, 0);
    EXPECT_EQ(X11FindTopLevel(u"XTerm", u"find-me"), window);
    EXPECT_EQ(X11FindTopLevel(u"xterm", nullptr), window);
    EXPECT_EQ(X11FindTopLevel(u"XTerm", u"find-me too"), 0);
    EXPECT_EQ(X11FindTopLevel(u"Xterm", u"find-me"), 0);
    EXPECT_EQ(X11FindTopLevel(nullptr, u"find-m"), 0);
}

TEST_F(DesktopWindowsTest, FindsAWindowThatWasNeverMapped) {
    // As a second copy of the program sees a first one that is still hidden.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 100, 100, 0, 0, 0);
    XStoreName(other, window, "Tastra v1.00");
    XClassHint hint{const_cast<char*>("tastra"), const_cast<char*>("Tastra")};
    XSetClassHint(other, window, &hint);
    XSync(other, False);
    EXPECT_EQ(X11FindTopLevel(nullptr, u"Tastra v1.00"), static_cast<HWND>(window));
    EXPECT_EQ(X11FindTopLevel(u"Tastra", u"Tastra v1.00"), static_cast<HWND>(window));
    EXPECT_FALSE(X11IsMapped(static_cast<HWND>(window)));
    XCloseDisplay(other);
    EXPECT_TRUE(WaitFor([&] { return X11FindTopLevel(nullptr, u"Tastra v1.00") == 0; }));
}

TEST_F(DesktopWindowsTest, ActivationHidingAndShowingFollowTheRequests) {
    HWND first = StartXterm("first");
    HWND second = StartXterm("second");
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_TRUE(X11ShowAndActivate(first));
    EXPECT_TRUE(WaitFor([&] { return X11ActiveWindow() == first; }));
    EXPECT_TRUE(X11Activate(second));
    EXPECT_TRUE(WaitFor([&] { return X11ActiveWindow() == second; }));
    EXPECT_NE(X11KeyboardTarget(), -1);

    EXPECT_TRUE(X11Hide(second));
    EXPECT_TRUE(WaitFor([&] { return !X11IsMapped(second); }));
    // Hidden, it is still found, as a hidden program must be.
    EXPECT_EQ(X11FindTopLevel(nullptr, u"second"), second);
    EXPECT_TRUE(X11ShowAndActivate(second));
    EXPECT_TRUE(WaitFor([&] { return X11IsMapped(second) && X11ActiveWindow() == second; }));
}

TEST_F(DesktopWindowsTest, MissingWindowsAreReportedNotFatal) {
    HWND window = StartXterm("exists");
    ASSERT_NE(window, 0);
    EXPECT_TRUE(X11WindowExists(window));
    EXPECT_FALSE(X11WindowExists(0x7ffffff0));
    EXPECT_FALSE(X11ShowAndActivate(0x7ffffff0));
    EXPECT_FALSE(X11Hide(0x7ffffff0));
    X11RequestClose(0x7ffffff0);
    EXPECT_TRUE(X11WindowExists(window));  // the connection survived
}

TEST_F(DesktopWindowsTest, CloseRequestEndsAnXtermPolitely) {
    HWND window = StartXterm("close-me");
    ASSERT_NE(window, 0);
    // An xterm that has only just mapped may not act on the request yet:
    // ask again every few seconds, as a user pressing PF4 again would.
    bool exited = false;
    for (int attempt = 0; attempt < 10 && !exited; ++attempt) {
        X11RequestClose(window);
        exited = WaitFor([&] { return ClientExited(clients.back()); }, 3000);
    }
    EXPECT_TRUE(exited);
    EXPECT_TRUE(WaitFor([&] { return !X11WindowExists(window); }));
}

}  // namespace
