// The screens the display and on-screen keyboard suites run on, given by
// each backend (emulated_screen.cpp, x11_screen.cpp): whatever the screen
// can do, what the backend reports of it must agree with what it does.
#pragma once

#include <ostream>
#include <string>
#include <vector>

struct Screen {
    std::string name;
    bool (*open)();  // false when the screen cannot be had
    void (*close)();
    bool keyboard;  // an on-screen keyboard can be shown
};

std::vector<Screen> Screens();

inline void PrintTo(const Screen& screen, std::ostream* out) { *out << screen.name; }
