#include "tests/x11/desktop_support.h"

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/common/settings_change.h"
#include "platform/common/utf8.h"
#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "tests/x11/focus_support.h"

extern char** environ;

int g_settingChangeAnnouncements = 0;
namespace {
// These tests have no dialog: they count what it would have heard.
void CountSettingChange() { ++g_settingChangeAnnouncements; }
const bool g_countingSettingChanges = (ListenForSettingChange(CountSettingChange), true);
}  // namespace

pid_t StartClient(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    setenv("LC_ALL", "C.UTF-8", 1);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return 0;
    return pid;
}

bool ClientExited(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

void StopClient(pid_t pid) {
    if (pid <= 0) return;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return;
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string TempPath(const std::string& name) {
    static std::string directory;
    if (directory.empty()) {
        char pattern[] = "/tmp/tastra-desktop-XXXXXX";
        directory = mkdtemp(pattern);
    }
    return directory + "/" + name;
}

namespace {
// The line that shows the xterm takes keys. On a loaded machine the first
// keys after a new xterm got the focus can vanish, wholly or in part, even
// after its shell started; typing starts once a whole ready line came.
const char READY_LINE[] = "xterm-takes-keys";

// Drops every line up to the first whole ready line and every ready line
// after it, marks the file `<file>.ready` once one came, passes the rest on.
std::string ReadyFilter(const std::string& file) {
    return std::string("mawk -W interactive -v mark='") + file + ".ready' '$0 == \"" + READY_LINE +
           "\" { if (!ready) { ready = 1; printf \"\" > mark; close(mark) } next } ready { print; fflush() }'";
}
}  // namespace

TypingTarget StartTypingXterm(const std::string& file, const std::string& title) {
    TypingTarget target{0, 0};
    std::string mark = file + ".ready";
    unlink(file.c_str());
    unlink(mark.c_str());
    target.pid = StartClient(
        {"xterm", "-en", "UTF-8", "-T", title, "-e", "sh", "-c", "exec " + ReadyFilter(file) + " > '" + file + "'"});
    std::u16string wideTitle(title.begin(), title.end());
    WaitFor([&] { return (target.window = X11FindTopLevel(nullptr, wideTitle.c_str())) != 0; });
    // The shell has set up the terminal once the file exists: input before
    // that is flushed.
    WaitFor([&] { return access(file.c_str(), F_OK) == 0; });
    WaitFor([&] {
        if (X11ActiveWindow() != target.window) X11ShowAndActivate(target.window);
        return X11IsMapped(target.window) && X11ActiveWindow() == target.window &&
               FocusIsWithin(X11DesktopDisplay(), static_cast<Window>(target.window));
    });
    // Ready lines until one arrives whole; later ones in flight are dropped.
    for (int attempt = 0; attempt < 40 && access(mark.c_str(), F_OK) != 0; ++attempt) {
        std::string line = READY_LINE;
        TypeText(std::u16string(line.begin(), line.end()));
        PressKeyWithCharacter(VK_RETURN);
        TypeWaitingKeys();
        WaitFor([&] { return access(mark.c_str(), F_OK) == 0; }, 500);
    }
    return target;
}

void TypeText(const std::u16string& text) {
    HWND target = X11KeyboardTarget();
    for (char16_t c : text)
        X11PostKeyMessage(target, WM_CHAR, c, 1);
    TypeWaitingKeys();
}

void PressKey(WORD key) {
    HWND target = X11KeyboardTarget();
    X11PostKeyMessage(target, WM_KEYDOWN, key, 1);
    X11PostKeyMessage(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

void PressKeyWithCharacter(WORD key) {
    PressKey(key);
    X11PostKeyMessage(X11KeyboardTarget(), WM_CHAR, key, 1);
}

namespace {
// The injector's timer, as the dialog's loop keeps it.
std::chrono::steady_clock::time_point g_keysDue;
bool g_keysScheduled = false;
void ScheduleKeys(int milliseconds) {
    g_keysScheduled = milliseconds >= 0;
    g_keysDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}
const bool g_keyTimer = (X11SetKeyTimer(ScheduleKeys), true);
}  // namespace

bool TypeWaitingKeys() {
    return WaitFor(
        [] {
            if (g_keysScheduled && std::chrono::steady_clock::now() >= g_keysDue) X11TypeWaitingKeys();
            return X11KeysWaiting() == 0;
        },
        60000);
}

std::string Utf8(const std::u16string& text) {
    std::string out(text.size() * 3 + 1, '\0');
    Utf16ToUtf8(out.data(), out.size(), text.c_str());
    out.resize(std::strlen(out.c_str()));
    return out;
}
