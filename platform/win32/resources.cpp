// Implements platform/resources.h on Windows: the texts come from the string
// table of the program's resource script, where Windows keeps them.
#include "platform/resources.h"

#include "platform/win32/native.h"

int LoadStringW(HINSTANCE, UINT id, WCHAR* buffer, int capacity) { return native::LoadText(id, buffer, capacity); }
