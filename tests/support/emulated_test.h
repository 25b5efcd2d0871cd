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
