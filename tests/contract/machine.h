// The machine the contract suites run on, built by each backend its own way
// (emulated_machine.cpp, linux_machine.cpp) and linked with the suites, so
// that the same expectations hold every backend to its headers:
//  - serial lines COM1: and COM4:, whose far ends the test plays;
//  - a Bluetooth radio shared with other programs, off;
//  - paired devices "Terminal" (0A:1B:2C:3D:4E:5F, with the Serial Port
//    service) and "Phone" (11:22:33:44:55:66, without).
#pragma once

#include <gtest/gtest.h>

#include "platform/types.h"

constexpr int kLines[] = {1, 4};
constexpr int kNoLine = 2;
constexpr char16_t kSerialPortService[] = u"00001101-0000-1000-8000-00805f9b34fb";

// A fresh machine as above; false (with a gtest failure) when it cannot be built.
bool BuildMachine();
void TearDownMachine();

// The far end of COM`index`: a descriptor the terminal's bytes are written to
// and read from. CutLine closes it, as when the cable is pulled.
int FarEnd(int index);
void CutLine(int index);
// The device of COM`index` goes away, as an adapter pulled out, and comes
// back as a new line under the same name.
void UnplugLine(int index);
void ReplugLine(int index);

// The user's language: German or English.
void SetUserLanguage(bool german);

// The radio as another program leaves it, and as it is now.
void SetRadio(DWORD mode);
DWORD Radio();

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(BuildMachine()); }
    void TearDown() override { TearDownMachine(); }
};
