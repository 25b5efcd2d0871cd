// Fixture for the key tests: the emulated handheld with a terminal on COM1,
// its port open, and a foreground application that receives the keys.
#pragma once

#include <string>

#include "tests/support/byte_table.h"
#include "tests/support/emulated_test.h"

class KeyTest : public EmulatedTest {
  protected:
    void SetUp() override;
    // A foreground application whose focused window receives the keys.
    HWND AddForegroundApp();
    // Bytes the terminal sends, on the line `after` ms from now.
    void Arrive(const std::string& bytes, DWORD after = 0);

    static constexpr const char16_t* TERMINAL = u"COM1:";
    HANDLE port = INVALID_HANDLE_VALUE;
};
