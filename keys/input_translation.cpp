// Placeholder until key injection lands.
#include "keys/input_translation.h"

const WORD CTRL_CHAR_MAP[31] = {};

void PollTerminalInput(HWND, HANDLE) {}
WORD TranslateEscapeSequence(HWND, HWND, BYTE*, WORD, WORD&) { return 0; }
void PostVirtualKey(HWND, WORD) {}
