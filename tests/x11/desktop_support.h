// Helpers for the desktop tests on a live X server: X clients started and
// ended by process id, waiting on conditions, files written by the clients.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

// Starts a program with a UTF-8 locale; 0 when it cannot be started.
pid_t StartClient(const std::vector<std::string>& argv);
// Ends a client this test started (SIGTERM, then collects it).
void StopClient(pid_t pid);
// Whether the client has exited (collecting it if so).
bool ClientExited(pid_t pid);

// Polls `condition` until it holds or `timeoutMs` has passed.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000);

std::string ReadFile(const std::string& path);
// A fresh path in a per-process temporary directory.
std::string TempPath(const std::string& name);

// An xterm writing what is typed into `file`, found, active and focused.
struct TypingTarget {
    pid_t pid;
    HWND window;
};
TypingTarget StartTypingXterm(const std::string& file, const std::string& title);

// Posts each character of a UTF-16 text as WM_CHAR to the keyboard target
// and types what waits, as the loop would.
void TypeText(const std::u16string& text);
// Posts a key to the keyboard target as the input translation does: down,
// up, and for a control byte its character after them.
void PressKey(WORD key);
void PressKeyWithCharacter(WORD key);
// Runs the injector's waiting keys until none is left; false on time-out.
bool TypeWaitingKeys();

// What an xterm writes for a text typed into it (characters below U+10000).
std::string Utf8(const std::u16string& text);

// Counts of calls the program's dialog side would receive.
extern int g_settingChangeAnnouncements;
