// Implements the 8-bit text of platform/system.h for every backend, so that
// the farewell the terminal receives never depends on the desktop.
#include "platform/system.h"

size_t WideToMultiByte(char* dst, const WCHAR* src, size_t capacity) {
    size_t written = 0;
    for (; *src != 0; ++src) {
        if (dst != nullptr && written >= capacity) return written;
        if (*src > 0x7F) return static_cast<size_t>(-1);
        if (dst != nullptr) dst[written] = static_cast<char>(*src);
        ++written;
    }
    if (dst != nullptr && written < capacity) dst[written] = 0;
    return written;
}
