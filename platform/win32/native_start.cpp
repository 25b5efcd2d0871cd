// The Windows entry point: hands the show command to the program's start.
#include <windows.h>

#include "platform/win32/native.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand) { return RunProgram(showCommand); }
