// Terminal bytes to key and character messages for the focused application.
#pragma once

#include "platform/types.h"

constexpr DWORD RECEIVE_BUFFER_BYTES = 260;

extern const WORD CTRL_CHAR_MAP[31];

void PollTerminalInput(HWND dialog, HANDLE port);
WORD TranslateEscapeSequence(HWND dialog, HWND target, BYTE* buffer, WORD count, WORD& index);
void PostVirtualKey(HWND target, WORD key);
