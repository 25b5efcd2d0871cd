// Typing into an xterm whatever the local keyboard's state: locks on,
// another group active, the layout changed after the injector read it, a
// keyboard device with a layout of its own.
#include <gtest/gtest.h>
#include <stdlib.h>
// After gtest: Xlib's macros (None) clash with its names.
#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>

#include <cstring>
#include <vector>

#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "tests/x11/desktop_support.h"

namespace {

struct KeyboardCase {
    const char* name;
    const char* layout;  // set with setxkbmap after the first line; nullptr: keep
    unsigned locks;
    int group;
    bool ownDevice = false;  // the layout is for the server's own keyboard device alone
};

const KeyboardCase CASES[] = {
    {"CapsLock", nullptr, LockMask, 0},
    {"CapsShiftAndNumLock", nullptr, LockMask | ShiftMask | Mod2Mask, 0},
    {"SecondGroup", "us,de", 0, 1},
    {"SecondGroupWithCapsLock", "us,de", LockMask, 1},
    {"LayoutChangedWhileConnected", "de", 0, 0},
    {"LayoutChangedToFrench", "fr", LockMask, 0},
    {"AKeyboardDeviceWithALayoutOfItsOwnKeepsIt", "de", 0, 0, true},
};

void PrintTo(const KeyboardCase& c, std::ostream* out) { *out << c.name; }

bool SetLayout(const char* layout, int device = 0) {
    std::string command = "setxkbmap -layout " + std::string(layout);
    if (device != 0) command += " -device " + std::to_string(device);
    return system(command.c_str()) == 0;
}

// A keyboard device of the server behind the core keyboard, not XTest's.
int OwnKeyboardDevice(Display* display) {
    int count = 0, found = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    for (int i = 0; i < count && found == 0; ++i)
        if (devices[i].use == XISlaveKeyboard && std::strstr(devices[i].name, "XTEST") == nullptr)
            found = devices[i].deviceid;
    XIFreeDeviceInfo(devices);
    return found;
}

std::vector<KeySym> KeymapOf(Display* display, int device) {
    std::vector<KeySym> symbols;
    XkbDescPtr xkb = XkbGetMap(display, XkbKeySymsMask, device);
    if (xkb == nullptr) return symbols;
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode)
        for (int i = 0; i < XkbKeyNumSyms(xkb, keycode); ++i)
            symbols.push_back(XkbKeySymsPtr(xkb, keycode)[i]);
    XkbFreeKeyboard(xkb, 0, True);
    return symbols;
}

class KeyboardStateTest : public ::testing::TestWithParam<KeyboardCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(X11DesktopOpen(nullptr));
        keyboard = XOpenDisplay(nullptr);
        ASSERT_NE(keyboard, nullptr);
    }
    void TearDown() override {
        StopClient(client);
        X11DesktopClose();
        if (keyboard) {
            XkbLockModifiers(keyboard, XkbUseCoreKbd, 0xFF, 0);
            XkbLockGroup(keyboard, XkbUseCoreKbd, 0);
            XCloseDisplay(keyboard);
        }
        SetLayout("us");
    }

    XkbStateRec State() {
        XkbStateRec state{};
        XkbGetState(keyboard, XkbUseCoreKbd, &state);
        return state;
    }

    Display* keyboard = nullptr;
    pid_t client = 0;
};

TEST_P(KeyboardStateTest, TextArrivesExactly) {
    const KeyboardCase& c = GetParam();
    std::string file = TempPath(std::string(c.name) + ".txt");
    TypingTarget xterm = StartTypingXterm(file, c.name);
    client = xterm.pid;
    ASSERT_NE(xterm.window, 0);
    // The injector reads the keymap with the first line, before the change.
    TypeText(u"first");
    PressKeyWithCharacter(VK_RETURN);
    ASSERT_TRUE(TypeWaitingKeys());
    ASSERT_TRUE(WaitFor([&] { return ReadFile(file) == "first\n"; })) << ReadFile(file);

    int device = c.ownDevice ? OwnKeyboardDevice(keyboard) : 0;
    if (c.ownDevice) {
        ASSERT_NE(device, 0);
    }
    if (c.layout) {
        ASSERT_TRUE(SetLayout(c.layout, device));
    }
    std::vector<KeySym> deviceKeymap = c.ownDevice ? KeymapOf(keyboard, device) : std::vector<KeySym>{};
    XkbLockGroup(keyboard, XkbUseCoreKbd, c.group);
    XkbLockModifiers(keyboard, XkbUseCoreKbd, c.locks, c.locks);
    XkbStateRec before = State();
    ASSERT_EQ(before.locked_mods, c.locks);
    ASSERT_EQ(before.group, c.group);

    const std::u16string line =
        u"abcxyzABCXYZ qwerty QWERTY 0123456789 @|{}[]~\"'<>;:/?-=_+`\\^!#$%&*() "
        u"éäßüÖÄÜ§°µçñ ½©£×÷";
    TypeText(line);
    PressKeyWithCharacter(VK_TAB);
    TypeText(u"xy");
    PressKeyWithCharacter(VK_BACK);
    PressKeyWithCharacter(VK_RETURN);
    ASSERT_TRUE(TypeWaitingKeys());
    std::string expected = "first\n" + Utf8(line) + "\tx\n";
    WaitFor([&] { return ReadFile(file).size() >= expected.size(); }, 5000);
    EXPECT_EQ(ReadFile(file), expected);
    if (c.ownDevice) {
        EXPECT_TRUE(KeymapOf(keyboard, device) == deviceKeymap) << "spare keycodes bound on it";
    }
    // What the strokes changed is back.
    XkbStateRec after = State();
    EXPECT_EQ(after.locked_mods, before.locked_mods);
    EXPECT_EQ(after.group, before.group);
}

INSTANTIATE_TEST_SUITE_P(States, KeyboardStateTest, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<KeyboardCase>& info) { return info.param.name; });

}  // namespace
