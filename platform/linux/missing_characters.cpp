// Implements platform/linux/missing_characters.h.
#include "platform/linux/missing_characters.h"

#include <sys/stat.h>

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/common/utf8.h"

namespace {

constexpr int kMaxNoted = 256;
constexpr std::chrono::milliseconds kNotifyTimeout{1000};

struct MissingState {
    uint32_t noted[kMaxNoted];
    int count;
    bool told;
    int unicodeInput;  // -1: not read yet
};
MissingState g_missing{{}, 0, false, -1};

bool SettingPath(char* path, size_t capacity) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    int n;
    // Relative XDG paths are to be ignored.
    if (xdg != nullptr && xdg[0] == '/')
        n = std::snprintf(path, capacity, "%s/tastra/unicode-input", xdg);
    else if (home != nullptr && home[0] != 0)
        n = std::snprintf(path, capacity, "%s/.config/tastra/unicode-input", home);
    else
        return false;
    return n > 0 && static_cast<size_t>(n) < capacity;
}

// A desktop without a notification service still has the error output.
void Notify(const char* body) {
    try {
        auto bus = sdbus::createSessionBusConnection();
        auto service = sdbus::createProxy(*bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications");
        uint32_t id = 0;
        service->callMethod("Notify")
            .onInterface("org.freedesktop.Notifications")
            .withTimeout(kNotifyTimeout)
            .withArguments(std::string("Tastra"), 0u, std::string("input-keyboard"),
                           std::string("Tastra could not type some characters"), std::string(body),
                           std::vector<std::string>{}, std::map<std::string, sdbus::Variant>{}, -1)
            .storeResultsTo(id);
    } catch (const sdbus::Error&) {
    }
}

}  // namespace

bool UnicodeInputWanted() {
    if (g_missing.unicodeInput < 0) {
        char path[512];
        struct stat info {};
        g_missing.unicodeInput = SettingPath(path, sizeof path) && stat(path, &info) == 0 ? 1 : 0;
    }
    return g_missing.unicodeInput == 1;
}

bool MissingCharacterNote(uint32_t codepoint) {
    if (g_missing.told) return false;
    for (int i = 0; i < g_missing.count; ++i)
        if (g_missing.noted[i] == codepoint) return false;
    if (g_missing.count == kMaxNoted) return false;
    g_missing.noted[g_missing.count++] = codepoint;
    return g_missing.count == 1;
}

void MissingCharactersTell() {
    if (g_missing.told || g_missing.count == 0) return;
    g_missing.told = true;
    char text[4096];
    MissingCharactersText(g_missing.noted, g_missing.count, text, sizeof text);
    std::fprintf(stderr, "tastra: %s\n", text);
    Notify(text);
}

void MissingCharactersReset() { g_missing = MissingState{{}, 0, false, -1}; }

void MissingCharactersText(const uint32_t* codepoints, int count, char* out, int capacity) {
    std::string text = "typed nothing for";
    for (int i = 0; i < count; ++i) {
        char character[5] = {};
        char code[16];
        EncodeUtf8Char(codepoints[i], character);
        std::snprintf(code, sizeof code, " (U+%04X)", static_cast<unsigned>(codepoints[i]));
        text += i == 0 ? " " : ", ";
        text += character;
        text += code;
    }
    text +=
        ": the keyboard layout has no key for them. A layout that has them makes them typable, and so does the "
        "file ~/.config/tastra/unicode-input, which types them as Ctrl+Shift+U, their code and a space (GTK and "
        "IBus programs take that).";
    std::snprintf(out, capacity, "%s", text.c_str());
}
