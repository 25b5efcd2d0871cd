// Terminal bytes to key and character messages for the focused application.
#pragma once

#include "platform/types.h"

constexpr DWORD RECEIVE_BUFFER_BYTES = 260;

extern const WORD CTRL_CHAR_MAP[31];

// FALSE when the read failed: the line is gone (hung up, unplugged, the
// link dropped), and the caller closes it.
BOOL PollTerminalInput(HWND dialog, HANDLE port);
// A new link starts with nothing carried over from the last one.
void ResetTerminalInput();
WORD TranslateEscapeSequence(HWND dialog, HWND target, BYTE* buffer, WORD count, WORD& index);
void PostVirtualKey(HWND target, WORD key);
