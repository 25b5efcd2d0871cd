// The program's entry: the desktop session first, then WinMain.
#include "platform/resources.h"
#include "platform/session.h"
#include "platform/window.h"

int main() {
    if (!OpenSession()) return 1;
    return WinMain(&g_moduleResources, nullptr, u"", SW_SHOW);
}
