// The helpers of tests/linux/view_support.h.
#include "tests/linux/view_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/resource.h"
#include "platform/emulated/emu_window.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "ports/port_list.h"

namespace {

INT_PTR QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s)
        out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

std::vector<std::string> BuildPortList(bool withActive) {
    EmuResetWindows();
    HWND dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, QuietDialogProc, 0);
    EXPECT_NE(dialog, 0);
    if (withActive) {
        EXPECT_EQ(ListActivePorts(GetDlgItem(dialog, IDC_PORT), u"COM"), 1);
    }
    ListBluetoothPorts(GetDlgItem(dialog, IDC_PORT));
    std::vector<std::string> out;
    for (const std::u16string& item : EmuComboItems(IDC_PORT))
        out.push_back(Narrow(item));
    return out;
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}
