// platform/system.h on the contract machine: the user's language and the
// clock (8-bit text is in text_contract.cpp).
#include "platform/system.h"
#include "tests/contract/machine.h"

namespace {

using SystemContract = MachineTest;

TEST_F(SystemContract, TheLanguageTellsGermanByItsPrimaryLanguage) {
    for (bool german : {true, false, true}) {
        SetUserLanguage(german);
        EXPECT_EQ((GetSystemDefaultLangID() & 0xFF) == 7, german) << std::hex << GetSystemDefaultLangID();
    }
}

TEST_F(SystemContract, SleepLetsTheClockMoveOnAtLeastThatFar) {
    DWORD start = GetTickCount();
    Sleep(30);
    DWORD slept = GetTickCount() - start;
    EXPECT_GE(slept, 30u);
    EXPECT_LT(slept, 5000u);
}

}  // namespace
