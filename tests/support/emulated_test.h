// Fixture for rule tests: a fresh emulated handheld and fresh program globals.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/emulated/emulated.h"
#include "platform/types.h"

// Puts every global of the program back to its start value.
void ResetProgramGlobals();

class EmulatedTest : public ::testing::Test {
  protected:
    void SetUp() override;
};

// Bytes of an ASCII text, for comparing with what went over a line.
std::vector<BYTE> Bytes(const std::string& text);

// The main dialog made as WinMain makes it, on the emulated window manager.
HWND CreateMainDialog();

// The texts of the dialog's states in one language.
struct DialogTexts {
    const char16_t* connect;
    const char16_t* disconnect;
    const char16_t* minimise;
    const char16_t* connected;  // the status line
};
extern const DialogTexts ENGLISH;
extern const DialogTexts GERMAN;

// The dialog's states, control by control (the idle one with a plain port).
void ExpectConnectedState(const DialogTexts& texts = ENGLISH);
void ExpectIdlePlainState(const DialogTexts& texts = ENGLISH);
