// Fixture for the port catalogue: a fresh handheld described by registry
// export files, and after every test no key and no device search left open.
#pragma once

#include <string>

#include "tests/support/emulated_test.h"

class PortsTest : public EmulatedTest {
protected:
    void TearDown() override;
    // Loads tests/data/ports/<file> into the registry.
    void LoadHandheld(const std::string& file);
    // Registers the devices COM<first>: to COM<last>:.
    void AddComDevices(int first, int last);
};

std::u16string Text(const WCHAR* text);
