// Measures typing into an xterm: how many characters arrive unchanged, and
// how fast, for a given number of spare keycodes and rebinding delay.
//   inject_measure COUNT SPARES DELAY_MS (ascii|special)
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <string>

#include "platform/window.h"
#include "platform/x11/desktop.h"
#include "platform/x11/desktop_internal.h"
#include "tests/x11/desktop_support.h"

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    int count = atoi(argv[1]);
    X11SetSpareKeycodeTuning(atoi(argv[2]), atoi(argv[3]));
    bool special = std::string(argv[4]) == "special";
    if (!X11DesktopOpen(nullptr)) return 1;
    const std::u16string specials = u"ª½©∆≥£¹±®≤¾∞¼¤×¥÷€éäßüÖ";
    std::u16string text;
    for (int i = 0; i < count; ++i)
        text += special ? specials[i % specials.size()] : static_cast<char16_t>(u'!' + i % 94);
    std::string file = TempPath("measure.txt");
    TypingTarget xterm = StartTypingXterm(file, "measure");
    auto start = std::chrono::steady_clock::now();
    TypeText(text);
    auto typed = std::chrono::steady_clock::now();
    HWND target = X11KeyboardTarget();
    X11PostKeyMessage(target, WM_KEYDOWN, VK_RETURN, 1);
    X11PostKeyMessage(target, WM_KEYUP, VK_RETURN, 0xC0000001);
    TypeWaitingKeys();
    std::string expected = Utf8(text) + "\n";
    WaitFor([&] { return ReadFile(file).find('\n') != std::string::npos; }, 20000);
    std::string got = ReadFile(file);
    double seconds = std::chrono::duration<double>(typed - start).count();
    int differing = 0;
    for (size_t i = 0; i < expected.size() || i < got.size(); ++i)
        differing += (i >= expected.size() || i >= got.size() || expected[i] != got[i]);
    printf("%s count=%d spares=%s delay=%sms typed in %.1f ms (%.0f chars/s) %s (%zu/%zu bytes, %d differ)\n", argv[4],
           count, argv[2], argv[3], seconds * 1000, count / seconds, got == expected ? "EXACT" : "WRONG", got.size(),
           expected.size(), differing);
    if (got != expected) {
        size_t first = 0;
        while (first < got.size() && first < expected.size() && got[first] == expected[first])
            ++first;
        size_t from = first > 12 ? first - 12 : 0;
        printf("  first difference at byte %zu\n  expected: %s\n  got:      %s\n", first,
               expected.substr(from, 40).c_str(), got.substr(from, 40).c_str());
    }
    StopClient(xterm.pid);
    X11DesktopClose();
    return got == expected ? 0 : 3;
}
