// The start options: the port, the speed and the connect that a user would
// otherwise pick in the dialog at every start, and whether a line that hung
// up is connected again. Without options the program starts as the dialog
// alone would.
#pragma once

#include "platform/types.h"

struct StartOptions {
    WCHAR port[MAX_TEXT];  // a device name or an entry's whole text; empty: the first entry
    DWORD speed;           // one of BAUD_RATES; 0: the first
    bool connect;
    bool reconnect;
};

enum OptionsOutcome { OPTIONS_START, OPTIONS_HELP, OPTIONS_VERSION, OPTIONS_WRONG };

constexpr int EXIT_WRONG_OPTION = 2;
constexpr int MAX_ARGUMENTS = 16;

extern StartOptions g_startOptions;

// Reads `count` arguments (the program's name not among them) into
// *options, from its start values. On OPTIONS_WRONG `message` (`capacity`
// characters) says which argument is wrong and why.
OptionsOutcome ParseOptions(int count, const WCHAR* const* args, StartOptions* options, WCHAR* message, int capacity);

// The usage text that --help prints.
void FormatHelp(WCHAR* text, int capacity);

// Fills g_startOptions from what main received. False when the program ends
// here (--help, --version, a wrong option); *exitCode then says how.
bool ReadStartOptions(int argc, char** argv, int* exitCode);

// Selects the options' port and speed in the initialised dialog and
// connects when asked. A port that is not listed leaves the port error in
// the status line and nothing connected; with --connect and --reconnect it
// is looked for at every retry tick and connected once listed.
void ApplyStartOptions(HWND dialog);
// Selects the options' port in the port list; false when it is not listed.
bool SelectStartPort(HWND dialog);
