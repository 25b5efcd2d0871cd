// Fixture for the terminal link's tests: the main dialog on the emulated
// handheld with a chosen port list, terminals behind device names, and a
// paired Bluetooth device in the registry.
#pragma once

#include <string>
#include <vector>

#include "tests/support/emulated_test.h"

class LinkTest : public EmulatedTest {
  protected:
    void SetUp() override;

    // The main dialog with exactly these port entries, `selected` chosen
    // (-1: none). The speed list keeps its first entry, 2400.
    HWND OpenDialog(const std::vector<std::u16string>& entries, int selected = 0);
    void SelectSpeed(int index);  // -1: none
    // A terminal on COM1: and the dialog with it as its one entry.
    HWND OpenTerminalDialog(int selected = 0);

    HWND dialog = 0;
};

// A registered device with a terminal behind it.
void AddTerminal(const std::u16string& deviceName);

// A paired device under its address key, with the Serial Port service and
// a REG_DWORD "channel".
void AddPairedDevice(const std::u16string& addressKey, const std::u16string& name, DWORD channel);
std::u16string ServiceKeyPath(const std::u16string& addressKey);

// A text of the string table in the current language.
std::u16string StringText(unsigned id);

// Times at which the dialog received WM_TIMER for the poll timer.
const std::vector<DWORD>& PollTicks();
