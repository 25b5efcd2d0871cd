// Fixture for the port catalogue: a fresh handheld described by registry
// export files, and after every test no key and no device search left open.
#pragma once

#include <chrono>
#include <cstdlib>
#include <future>
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

// The walk's result; a walk that wrapped from position 255 to 0 would never
// return, so the test ends instead of hanging.
template <class F>
auto EndsInTime(F walk) {
    auto result = std::async(std::launch::async, walk);
    if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "the walk did not end";
        std::_Exit(1);
    }
    return result.get();
}
