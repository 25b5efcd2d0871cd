#include "platform/emulated/emu_fold.h"

#include "platform/text.h"

const std::vector<char16_t> g_emuFolded = [] {
    std::vector<char16_t> table(0x10000);
    for (size_t c = 0; c < table.size(); ++c)
        table[c] = WFoldCase(static_cast<WCHAR>(c));
    return table;
}();

int EmuCompareNoCase(const char16_t* a, const char16_t* b) {
    while (*a != 0 && g_emuFolded[*a] == g_emuFolded[*b]) {
        ++a;
        ++b;
    }
    return static_cast<int>(g_emuFolded[*a]) - static_cast<int>(g_emuFolded[*b]);
}
