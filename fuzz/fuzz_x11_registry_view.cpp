// Arbitrary registry calls against the x11 registry view: paths, value names,
// buffer sizes and handles come from the input; the view must answer every
// one within its buffers and never lose track of its keys.
#include "fuzz/fuzz_input.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/registry.h"

namespace {

struct Input : FuzzInput {
    // A short wide text, terminated; backslashes and letters of the real paths are likely.
    void Text(WCHAR* out, int capacity) {
        static const char16_t kAlphabet[] = u"\\DriversActive0123456789NameKey:";
        int len = Byte() % capacity;
        for (int i = 0; i < len; ++i) {
            uint8_t b = Byte();
            out[i] = b < 200 ? kAlphabet[b % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)] : static_cast<WCHAR>(b * 257);
        }
        out[len] = 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] { return setenv("XDG_CONFIG_HOME", "/nonexistent", 1) == 0; }();
    (void)once;
    Input in{{data, size}};
    HKEY open[16];
    int count = 0;
    while (in.size > 0) {
        WCHAR text[40];
        in.Text(text, 40);
        HKEY key = count > 0 ? open[in.Byte() % count] : HKEY_LOCAL_MACHINE;
        switch (in.Byte() % 4) {
        case 0: {
            HKEY result;
            HKEY parent = in.Byte() % 2 ? HKEY_LOCAL_MACHINE : key;
            if (count < 16 && RegOpenKeyExW(parent, text, 0, 0, &result) == ERROR_SUCCESS) open[count++] = result;
            break;
        }
        case 1: {
            WCHAR name[MAX_TEXT];
            DWORD chars = in.Byte() % (MAX_TEXT + 1);
            if (RegEnumKeyExW(key, in.Byte(), name, &chars) == ERROR_SUCCESS && chars >= MAX_TEXT) abort();
            break;
        }
        case 2: {
            BYTE buffer[600];
            DWORD bytes = in.Byte() * 3u;
            DWORD type;
            LONG r = RegQueryValueExW(key, text, &type, buffer, &bytes);
            if (r == ERROR_SUCCESS && (type != REG_SZ || bytes > sizeof buffer)) abort();
            break;
        }
        default:
            if (count > 0) {
                int i = in.Byte() % count;
                if (RegCloseKey(open[i]) != ERROR_SUCCESS) abort();
                open[i] = open[--count];
            }
        }
    }
    while (count > 0) RegCloseKey(open[--count]);
    return 0;
}
