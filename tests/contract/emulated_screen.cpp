// The emulated handheld's screens for the display and keyboard suites: one
// that takes every orientation, one that cannot turn, one that turns a
// quarter only; each with its on-screen keyboard.
#include "platform/emulated/emulated.h"
#include "tests/contract/screen.h"

namespace {

bool TurnsEveryWay() {
    EmuReset();
    return true;
}

bool CannotTurn() {
    EmuReset();
    EmuSetRotationSupported(false);
    return true;
}

bool TurnsTo90Only() {
    EmuReset();
    EmuSetScreenTurns(DMDO_90);
    return true;
}

void Close() { EmuReset(); }

}  // namespace

std::vector<Screen> Screens() {
    return {{"turns_every_way", TurnsEveryWay, Close, true},
            {"cannot_turn", CannotTurn, Close, true},
            {"turns_to_90_only", TurnsTo90Only, Close, true}};
}
