// The screens the display suite runs on, given by each backend
// (emulated_screen.cpp, x11_screen.cpp): whatever the screen can do, the
// capability test, reads and turns must agree with each other.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct Screen {
    std::string name;
    bool (*open)();  // false when the screen cannot be had
    void (*close)();
};

std::vector<Screen> Screens();

inline void PrintTo(const Screen& screen, std::ostream* out) { *out << screen.name; }
