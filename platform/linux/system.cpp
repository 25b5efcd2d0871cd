// Implements platform/system.h on Linux: sleep, clock, the locale's language,
// process start, the arguments and standard output.
#include "platform/system.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/common/utf8.h"
#include "platform/linux/started_program.h"
#include "platform/text.h"

extern char** environ;

namespace {

constexpr LANGID kEnglishUS = 0x0409;

struct GermanRegion {
    const char* region;
    LANGID id;
};
const GermanRegion kGermanRegions[] = {{"DE", 0x0407}, {"CH", 0x0807}, {"AT", 0x0C07}, {"LU", 0x1007}, {"LI", 0x1407}};

// The first of LC_ALL, LC_MESSAGES, LANG that is set, as the C library reads them.
const char* LocaleName() {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != 0) return value;
    }
    return "";
}

bool IsGerman(const char* locale) {
    return locale[0] == 'd' && locale[1] == 'e' &&
           (locale[2] == 0 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@');
}

LANGID GermanVariant(const char* locale) {
    if (locale[2] == '_')
        for (const GermanRegion& r : kGermanRegions)
            if (std::strncmp(locale + 3, r.region, 2) == 0) return r.id;
    return 0x0407;
}

bool ExecutableOnPath(const char* name, char* path, size_t capacity) {
    const char* dirs = std::getenv("PATH");
    if (dirs == nullptr) return false;
    while (*dirs != 0) {
        const char* end = std::strchr(dirs, ':');
        size_t length = end ? static_cast<size_t>(end - dirs) : std::strlen(dirs);
        if (length > 0 && length + std::strlen(name) + 2 <= capacity) {
            std::memcpy(path, dirs, length);
            path[length] = '/';
            std::strcpy(path + length + 1, name);
            if (access(path, X_OK) == 0) return true;
        }
        dirs += length + (end ? 1 : 0);
    }
    return false;
}

// The handheld's control-panel applet stands for the desktop's Bluetooth
// manager, and the applet's window class for the manager while it runs.
const char* DesktopProgramFor(const WCHAR* image) {
    if (image != nullptr && WCompareNoCase(image, u"ctlpnl.exe") == 0) return "blueman-manager";
    return nullptr;
}
const WCHAR kSettingsWindowClass[] = u"CPL_Bluetooth";

struct SystemState {
    pid_t startedManager;  // the program last started for the settings applet; 0 when none
};
SystemState g_system{};

// Started through a shell that leaves it running on its own, so that no
// child of this program is left to reap; the shell tells its process id.
pid_t SpawnDetached(const char* path) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const char* argv[] = {"/bin/sh", "-c", "\"$0\" >/dev/null 2>&1 </dev/null & echo $!", path, nullptr};
    pid_t shell = 0;
    bool spawned = posix_spawn(&shell, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char text[32] = {};
    size_t got = 0;
    while (spawned && got < sizeof text - 1) {
        ssize_t n = read(out[0], text + got, sizeof text - 1 - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(out[0]);
    int status = 0;
    while (spawned && waitpid(shell, &status, 0) < 0 && errno == EINTR) {
    }
    if (!spawned || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
    return static_cast<pid_t>(atol(text));
}

}  // namespace

void Sleep(DWORD milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

DWORD GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000ULL + now.tv_nsec / 1000000;
    return static_cast<DWORD>(ms);
}

LANGID GetSystemDefaultLangID() {
    const char* locale = LocaleName();
    return IsGerman(locale) ? GermanVariant(locale) : kEnglishUS;
}

BOOL CreateProcessW(const WCHAR* image, const WCHAR*, DWORD) {
    const char* program = DesktopProgramFor(image);
    char path[4096];
    if (program == nullptr || !ExecutableOnPath(program, path, sizeof(path))) return FALSE;
    pid_t started = SpawnDetached(path);
    if (started > 0) g_system.startedManager = started;
    return started > 0 ? TRUE : FALSE;
}

bool StartedProgramRunsFor(const WCHAR* windowClass) {
    if (windowClass == nullptr || WCompareNoCase(windowClass, kSettingsWindowClass) != 0 ||
        g_system.startedManager <= 0)
        return false;
    // Not our child: once it ends, init collects it and the id is gone.
    if (kill(g_system.startedManager, 0) != 0 && errno == ESRCH) g_system.startedManager = 0;
    return g_system.startedManager > 0;
}

int GetProgramArguments(int argc, char** argv, WCHAR (*arguments)[MAX_TEXT], int capacity) {
    if (argc - 1 > capacity) return -1;
    for (int i = 1; i < argc; ++i)
        if (!Utf8ToUtf16(arguments[i - 1], MAX_TEXT, argv[i], std::strlen(argv[i]))) return -1;
    return argc > 0 ? argc - 1 : 0;
}

void WriteStandardText(DWORD stream, const WCHAR* text) {
    // Four bytes per UTF-16 unit at most: a whole help text fits.
    static char bytes[4 * 1024];
    Utf16ToUtf8(bytes, sizeof bytes, text);
    FILE* out = stream == STD_ERROR ? stderr : stdout;
    std::fputs(bytes, out);
    std::fflush(out);
}
