// The emulated handheld's own case-blind lookups and sorting: the fold of
// WFoldCase, looked up in a table made once. In fuzz builds the program's
// text functions carry coverage hooks, and calling them for every character
// the fixture compares was most of an input's time.
#pragma once

#include <vector>

extern const std::vector<char16_t> g_emuFolded;

inline char16_t EmuFoldChar(char16_t c) { return g_emuFolded[c]; }

// Orders as WCompareNoCase does.
int EmuCompareNoCase(const char16_t* a, const char16_t* b);
