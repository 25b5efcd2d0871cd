// Fixture for the key tests: the emulated handheld with the scripted port of
// fake_port.h in place of the emulated serial endpoints.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/types.h"
#include "tests/support/emulated_test.h"  // ResetProgramGlobals, Bytes

class KeyTest : public ::testing::Test {
protected:
    void SetUp() override;
    // A foreground application whose focused window receives the keys.
    HWND AddForegroundApp();
};

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

// What the program posted to `target` so far.
KeyMessages KeysPostedTo(HWND target);
