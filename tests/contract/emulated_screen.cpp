// The emulated handheld's screens for the display suite: one that takes
// every orientation, one that cannot turn, one that turns a quarter only.
#include "platform/emulated/emulated.h"
#include "tests/contract/screen.h"

std::vector<Screen> Screens() {
    auto close = [] { EmuReset(); };
    return {
        {"turns_every_way",
         [] {
             EmuReset();
             return true;
         },
         close},
        {"cannot_turn",
         [] {
             EmuReset();
             EmuSetRotationSupported(false);
             return true;
         },
         close},
        {"turns_to_90_only",
         [] {
             EmuReset();
             EmuSetScreenTurns(DMDO_90);
             return true;
         },
         close},
    };
}
