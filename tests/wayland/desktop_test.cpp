// The wayland desktop on a headless sway with Xwayland: foot running
// `cat > file` and an xterm as receivers, the toplevel operations, the
// screen and the on-screen keyboard.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/display.h"
#include "platform/sip.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "tests/x11/desktop_support.h"

namespace {

void Type(const std::u16string& text) {
    HWND target = WaylandKeyboardTarget();
    for (char16_t c : text)
        WaylandPostKeyMessage(target, WM_CHAR, c, 1);
}

// As the input translation posts a key: down, up, and for a control byte its character.
void Press(WORD key, WCHAR character = 0) {
    HWND target = WaylandKeyboardTarget();
    WaylandPostKeyMessage(target, WM_KEYDOWN, key, 1);
    WaylandPostKeyMessage(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    if (character != 0) WaylandPostKeyMessage(target, WM_CHAR, character, 1);
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

class WaylandDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WaylandDesktopOpen(nullptr));
        ASSERT_TRUE(WaylandDesktopUsable());
    }
    void TearDown() override {
        for (pid_t pid : clients)
            StopClient(pid);
        WaylandDesktopClose();
        X11DesktopClose();
    }

    HWND Activated(const std::u16string& title) {
        HWND window = 0;
        bool found = WaitFor([&] { return (window = WaylandFindTopLevel(nullptr, title.c_str())) != 0; });
        EXPECT_TRUE(found) << "no window titled " << Utf8(title);
        EXPECT_TRUE(WaitFor([&] {
            if (WaylandActiveWindow() != window) WaylandActivate(window);
            return WaylandActiveWindow() == window;
        }));
        return window;
    }

    // A receiver writing every byte typed into it to `file`, active and
    // ready: a client just started takes its keyboard some time after the
    // compositor gave it the focus, and keys before that are lost. Returns
    // the probe characters that arrived.
    std::string StartReceiver(const std::string& file, const std::string& title, bool x11 = false) {
        std::string keep = "stty raw -echo; exec cat > '" + file + "'";
        clients.push_back(x11 ? StartClient({"xterm", "-en", "UTF-8", "-T", title, "-e", "sh", "-c", keep})
                              : StartClient({"foot", "--log-level=error", "-T", title, "sh", "-c", keep}));
        Activated(Wide(title));
        // cat has opened the file once it exists.
        EXPECT_TRUE(WaitFor([&] { return access(file.c_str(), F_OK) == 0; }));
        return Probe(file, title);
    }

    // Types probe letters until one arrives; keys arrive in order, so once
    // the last probe is there, no earlier one is on its way.
    std::string Probe(const std::string& file, const std::string& title) {
        size_t had = ReadFile(file).size();
        char16_t probe = u'a';
        for (; probe <= u'z'; ++probe) {
            Type(std::u16string(1, probe));
            auto arrived = [&] {
                std::string content = ReadFile(file);
                return content.size() > had && content.ends_with(static_cast<char>(probe));
            };
            if (WaitFor(arrived, 1000)) break;
        }
        EXPECT_LE(probe, u'z') << Utf8(Wide(title)) << " never took the keyboard";
        return ReadFile(file);
    }

    std::string TypeInto(const std::string& title, const std::function<void()>& typing, const std::string& expected,
                         bool x11 = false) {
        std::string file = TempPath(title + ".txt");
        std::string probes = StartReceiver(file, title, x11);
        typing();
        WaitFor([&] { return ReadFile(file).size() >= probes.size() + expected.size(); });
        return ReadFile(file).substr(probes.size());
    }

    std::vector<pid_t> clients;
};

// Characters of the terminal's character set and the Ctrl specials, as the
// terminal's bytes become them, with what arrives in the receiver.
const std::u16string PRINTABLE_ASCII = [] {
    std::u16string s;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        s += c;
    return s;
}();
const std::u16string LATIN1 = [] {
    std::u16string s;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        s += c;
    return s;
}();
const std::u16string SPECIALS = u"ª½©∆≥£¹±®≤¾∞¼¤×¥÷€";
// Beyond the base set, a burst of more characters than keys are left in the
// first group: an X program reads the keymap only after the burst.
const std::u16string GREEK = u"αβγδεζηθικλμνξοπρστυφχψω";

TEST_F(WaylandDesktopTest, EveryCharacterArrivesInFootExactlyAndInOrder) {
    std::string expected = Utf8(PRINTABLE_ASCII + LATIN1 + SPECIALS) + "\r" + Utf8(SPECIALS + LATIN1 + GREEK) + "\r";
    std::string content = TypeInto(
        "receiver",
        [] {
            Type(PRINTABLE_ASCII + LATIN1 + SPECIALS);
            Press(VK_RETURN, 0x0D);
            Type(SPECIALS + LATIN1 + GREEK);
            Press(VK_RETURN, 0x0D);
        },
        expected);
    EXPECT_EQ(content, expected);
}

// sway's keyboard configuration, applied to every keyboard (ours too), in
// a Wayland and an X program. sway hands the keyboard focus round again after
// the change and X programs lose keys meanwhile: probes wait for that, and
// type nothing right while our keymap is lost.
TEST_F(WaylandDesktopTest, CharactersStayExactThroughALayoutChangeAndAReload) {
    const std::u16string text = u"yz@ä€";
    for (bool x11 : {false, true}) {
        std::string title = x11 ? "xlayout" : "layout", file = TempPath(title + ".txt");
        StartReceiver(file, title, x11);
        for (const char* command : {"swaymsg -q input type:keyboard xkb_layout de", "swaymsg -q reload"}) {
            ASSERT_EQ(std::system(command), 0) << command;
            // As the loop does when the compositor's news comes.
            ASSERT_TRUE(WaylandDesktopDispatch());
            size_t before = Probe(file, title).size();
            Type(text);
            Press(VK_RETURN, 0x0D);
            std::string expected = Utf8(text + u"\r");
            WaitFor([&] { return ReadFile(file).size() >= before + expected.size(); });
            EXPECT_EQ(ReadFile(file).substr(before), expected) << title << " after " << command;
        }
    }
}

// foot sends DEL for its Backspace key and xterm style sequences for the others.
TEST_F(WaylandDesktopTest, EditingAndCursorKeysArriveAsKeyPresses) {
    std::string expected = "ab\x7f\t\x1b\x1b[A\x1b[B\x1b[C\x1b[D\x1b[H\x1b[F\x1b[3~x";
    std::string content = TypeInto(
        "keys",
        [] {
            Type(u"ab");
            Press(VK_BACK, 0x08);  // one erase, not two
            Press(VK_TAB, 0x09);
            Press(VK_ESCAPE, 0x1B);
            for (WORD key : {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT, VK_HOME, VK_END, VK_DELETE})
                Press(key);
            Type(u"x");
        },
        expected);
    EXPECT_EQ(content, expected);
}

TEST_F(WaylandDesktopTest, XwaylandWindowsAreNamedByXIdAndReceiveKeysToo) {
    std::string expected = Utf8(u"Grüße ä€∞\r" + GREEK + u"\r");
    std::string content = TypeInto(
        "xreceiver",
        [] {
            Type(u"Grüße ä€∞");
            Press(VK_RETURN, 0x0D);
            Type(GREEK);
            Press(VK_RETURN, 0x0D);
        },
        expected, true);
    EXPECT_EQ(content, expected);
    HWND active = WaylandActiveWindow();
    EXPECT_EQ(active, X11FindTopLevel(nullptr, u"xreceiver"));
    EXPECT_LT(active, static_cast<HWND>(1) << 29) << "an X window id";
}

TEST_F(WaylandDesktopTest, WindowsAreFoundActivatedAndClosedPolitely) {
    StartReceiver(TempPath("first.txt"), "first");
    StartReceiver(TempPath("second.txt"), "second");
    HWND first = WaylandFindTopLevel(nullptr, u"first");
    HWND second = WaylandFindTopLevel(nullptr, u"second");
    ASSERT_NE(first, 0);
    EXPECT_EQ(WaylandFindTopLevel(u"foot", u"first"), first);
    EXPECT_EQ(WaylandFindTopLevel(u"xterm", u"first"), 0);
    EXPECT_EQ(WaylandFindTopLevel(nullptr, u"nothing of that name"), 0);
    EXPECT_TRUE(WaylandWindowExists(first));
    EXPECT_EQ(WaylandKeyboardTarget(), second);

    ASSERT_TRUE(WaylandActivate(first));
    EXPECT_TRUE(WaitFor([&] { return WaylandActiveWindow() == first; }));

    WaylandRequestClose(first);
    EXPECT_TRUE(WaitFor([&] { return ClientExited(clients[0]); })) << "foot ends on a close request";
    EXPECT_TRUE(WaitFor([&] { return !WaylandWindowExists(first); }));
    EXPECT_FALSE(WaylandPostKeyMessage(first, WM_CHAR, 'a', 1));
    EXPECT_FALSE(ClientExited(clients[1]));
}

// Titles are compared as text: a character beyond the BMP is a surrogate
// pair on our side and four bytes on the compositor's. xterm gives its X
// window such a title only as compound text, which the compositor ignores.
TEST_F(WaylandDesktopTest, TitlesBeyondTheBmpFindTheirWindows) {
    const std::u16string title = u"clef \U0001D11E", xTitle = u"x" + title;
    clients.push_back(StartClient({"foot", "-T", Utf8(title), "sleep", "60"}));
    clients.push_back(StartClient({"xterm", "-T", "xclef", "-e", "sleep", "60"}));
    EXPECT_TRUE(WaitFor([&] { return WaylandFindTopLevel(u"foot", title.c_str()) != 0; }));
    ASSERT_TRUE(WaitFor([] { return X11FindTopLevel(nullptr, u"xclef") != 0; }));
    std::string rename = "xdotool search --name '^xclef$' set_window --name '" + Utf8(xTitle) + "'";
    ASSERT_EQ(std::system(rename.c_str()), 0);
    HWND x = Activated(xTitle);
    EXPECT_NE(x, 0);
    EXPECT_EQ(x, X11FindTopLevel(nullptr, xTitle.c_str())) << "an X window is named by its id";
}

TEST_F(WaylandDesktopTest, MessagesOfOtherKindsAndForNoWindowAreRefused) {
    EXPECT_FALSE(WaylandPostKeyMessage(0, WM_CHAR, 'a', 1));
    EXPECT_FALSE(WaylandPostKeyMessage(static_cast<HWND>(1) << 30, WM_CHAR, 'a', 1));
    StartReceiver(TempPath("kinds.txt"), "kinds");
    HWND window = WaylandFindTopLevel(nullptr, u"kinds");
    EXPECT_FALSE(WaylandPostKeyMessage(window, WM_CLOSE, 0, 0));
    EXPECT_FALSE(WaylandPostKeyMessage(window, WM_CHAR, 0x01, 1)) << "a control character has no key";
}

// The headless output cannot be turned: only the refusal can be seen here.
TEST_F(WaylandDesktopTest, TheHeadlessOutputRefusesToTurnAndStaysAsItWas) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_DISPLAYORIENTATION;
    ASSERT_EQ(WaylandChangeDisplaySettings(&mode, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(mode.dmDisplayOrientation, DMDO_0);
    mode.dmDisplayOrientation = DMDO_270;
    EXPECT_EQ(WaylandChangeDisplaySettings(&mode, CDS_RESET), DISP_CHANGE_BADMODE);
    mode.dmDisplayOrientation = DMDO_90;
    EXPECT_EQ(WaylandChangeDisplaySettings(&mode, CDS_RESET), DISP_CHANGE_BADMODE) << "not one the program turns to";
    ASSERT_EQ(WaylandChangeDisplaySettings(&mode, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(mode.dmDisplayOrientation, DMDO_0);
    EXPECT_EQ(g_settingChangeAnnouncements, 0);
}

// What the compositor leaves to windows: wvkbd's layer surface, while it is
// there, takes its height from the workspace. -1 when sway does not answer.
int WorkspaceHeight() {
    FILE* out = popen("swaymsg -t get_workspaces | jq '.[0].rect.height'", "r");
    if (out == nullptr) return -1;
    int height = -1;
    if (std::fscanf(out, "%d", &height) != 1) height = -1;
    pclose(out);
    return height;
}

// The on-screen keyboards this process started; each line one process id.
std::string KeyboardProcesses() {
    std::string command = "pgrep -P " + std::to_string(getpid()) + " -x wvkbd-mobintl";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return "";
    std::string pids;
    char line[32];
    while (std::fgets(line, sizeof line, out) != nullptr)
        pids += line;
    pclose(out);
    return pids;
}

bool SetKeyboard(DWORD flags) {
    SIPINFO info{};
    info.cbSize = sizeof info;
    info.fdwFlags = flags;
    return WaylandSipInfo(SPI_SETSIPINFO, &info) != FALSE;
}

// The on-screen keyboard takes the bottom part of the screen that the query
// reports, and gives it back: hidden at once after its start, then shown and
// hidden twice. There is never more than one, and it ends with the desktop.
TEST_F(WaylandDesktopTest, OnScreenKeyboardTakesTheReportedPartOfTheScreenAndGivesItBack) {
    if (std::system("command -v wvkbd-mobintl >/dev/null") != 0) GTEST_SKIP() << "wvkbd is not installed";
    SIPINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(WaylandSipInfo(SPI_GETSIPINFO, &info));
    EXPECT_EQ(info.fdwFlags & SIPF_ON, 0u);
    RECT whole = info.rcVisibleDesktop;
    EXPECT_EQ(whole.right, 1024);
    EXPECT_EQ(whole.bottom, 768);
    ASSERT_EQ(WorkspaceHeight(), 768);
    auto keyboards = [] {
        std::string pids = KeyboardProcesses();
        return std::count(pids.begin(), pids.end(), '\n');
    };

    ASSERT_TRUE(SetKeyboard(SIPF_ON));
    EXPECT_EQ(keyboards(), 1) << "up when shown";
    ASSERT_TRUE(SetKeyboard(0));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(SetKeyboard(SIPF_ON)) << round;
        ASSERT_TRUE(WaylandSipInfo(SPI_GETSIPINFO, &info));
        EXPECT_EQ(info.fdwFlags & SIPF_ON, SIPF_ON);
        EXPECT_EQ(info.rcSipRect.bottom, whole.bottom);
        EXPECT_EQ(info.rcSipRect.top, info.rcVisibleDesktop.bottom);
        EXPECT_LT(info.rcVisibleDesktop.bottom, whole.bottom);
        int visible = info.rcVisibleDesktop.bottom;
        EXPECT_TRUE(WaitFor([&] { return WorkspaceHeight() == visible; })) << round << ": " << WorkspaceHeight();
        EXPECT_EQ(keyboards(), 1) << round;

        ASSERT_TRUE(SetKeyboard(0)) << round;
        ASSERT_TRUE(WaylandSipInfo(SPI_GETSIPINFO, &info));
        EXPECT_EQ(info.fdwFlags & SIPF_ON, 0u);
        EXPECT_EQ(info.rcVisibleDesktop.bottom, whole.bottom);
        EXPECT_TRUE(WaitFor([&] { return WorkspaceHeight() == whole.bottom; })) << round;
        EXPECT_LE(keyboards(), 1) << round;
    }
    WaylandDesktopClose();
    EXPECT_EQ(keyboards(), 0) << "the keyboard ends with the desktop";
}

}  // namespace
