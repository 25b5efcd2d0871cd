// The contract suites' machine on the emulated handheld: the registry from
// a registry file, the lines passed through to pseudo-terminals.
#include <string>

#include "platform/emulated/emulated.h"
#include "tests/contract/machine.h"
#include "tests/linux/pty_pair.h"

namespace {
PtyPair g_lines[10];

std::u16string LineName(int index) { return u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + index)) + u":"; }
}  // namespace

bool BuildMachine() {
    EmuReset();
    std::string error;
    bool loaded = EmuRegLoadFile(TASTRA_TEST_DATA "/contract/machine.reg", &error);
    EXPECT_TRUE(loaded) << error;
    for (int index : kLines) {
        if (!OpenPtyPair(g_lines[index])) return false;
        std::u16string name = LineName(index);
        EmuAddDevice(name);
        EmuSerialPassThrough(name, g_lines[index].slavePath);
    }
    EmuShareRadio(true);
    return loaded;
}

void TearDownMachine() {
    for (PtyPair& line : g_lines)
        ClosePtyMaster(line);
    EmuReset();
}

int FarEnd(int index) { return g_lines[index].master; }
void CutLine(int index) { ClosePtyMaster(g_lines[index]); }
void UnplugLine(int index) {
    ClosePtyMaster(g_lines[index]);
    EmuRemoveDevice(LineName(index));
}
void ReplugLine(int index) {
    ASSERT_TRUE(OpenPtyPair(g_lines[index]));
    EmuAddDevice(LineName(index));
    EmuSerialPassThrough(LineName(index), g_lines[index].slavePath);
}

void SetUserLanguage(bool german) { EmuSetLanguage(german ? 0x0407 : 0x0409); }

void SetRadio(DWORD mode) { EmuSetRadioMode(mode); }
DWORD Radio() { return EmuRadioMode(); }
