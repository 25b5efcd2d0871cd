// The program's entry: the start options, the desktop session, then WinMain.
#include "app/options.h"
#include "platform/resources.h"
#include "platform/session.h"
#include "platform/window.h"

int main(int argc, char** argv) {
    // --help and a wrong option need no desktop.
    int exitCode = 0;
    if (!ReadStartOptions(argc, argv, &exitCode)) return exitCode;
    if (!OpenSession()) return 1;
    return WinMain(&g_moduleResources, nullptr, u"", SW_SHOW);
}
