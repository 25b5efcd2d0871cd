// The program's start on Windows: WinMain with the program's resources.
#include "platform/resources.h"
#include "platform/win32/native.h"

int RunProgram(int showCommand) { return WinMain(&g_moduleResources, nullptr, u"", showCommand); }
