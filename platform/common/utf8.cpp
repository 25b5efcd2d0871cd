// Implements platform/common/utf8.h.
#include "platform/common/utf8.h"

Utf8Char DecodeUtf8Char(const char* s, size_t n) {
    const Utf8Char bad{REPLACEMENT_CHARACTER, 1, false};
    unsigned char lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x80) return Utf8Char{lead, 1, true};
    int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
    if (extra == 0 || static_cast<size_t>(extra) >= n) return bad;
    char32_t code = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char next = static_cast<unsigned char>(s[k]);
        if ((next & 0xC0) != 0x80) return bad;
        code = (code << 6) | (next & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return bad;
    return Utf8Char{code, extra + 1, true};
}

int EncodeUtf8Char(char32_t c, char out[4]) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

int EncodeUtf16Char(char32_t c, WCHAR out[2]) {
    if (c < 0x10000) {
        out[0] = static_cast<WCHAR>(c);
        return 1;
    }
    out[0] = static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10));
    out[1] = static_cast<WCHAR>(0xDC00 + ((c - 0x10000) & 0x3FF));
    return 2;
}

bool Utf8ToUtf16(WCHAR* dst, size_t capacity, const char* src, size_t n) {
    if (capacity == 0) return false;
    size_t used = 0;
    bool fits = true;
    for (size_t i = 0; src != nullptr && i < n && src[i] != 0;) {
        Utf8Char c = DecodeUtf8Char(src + i, n - i);
        i += static_cast<size_t>(c.length);
        WCHAR units[2];
        size_t count = static_cast<size_t>(EncodeUtf16Char(c.code, units));
        if (used + count >= capacity) {
            fits = false;
            break;
        }
        for (size_t k = 0; k < count; ++k)
            dst[used++] = units[k];
    }
    dst[used] = 0;
    return fits;
}

bool Utf16ToUtf8(char* dst, size_t capacity, const WCHAR* src) {
    if (capacity == 0) return false;
    size_t used = 0;
    bool fits = true;
    while (src != nullptr && *src != 0) {
        char32_t c = *src++;
        if (c >= 0xD800 && c <= 0xDBFF && *src >= 0xDC00 && *src <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (*src++ - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = REPLACEMENT_CHARACTER;
        char bytes[4];
        int length = EncodeUtf8Char(c, bytes);
        if (used + static_cast<size_t>(length) >= capacity) {
            fits = false;
            break;
        }
        for (int k = 0; k < length; ++k)
            dst[used++] = bytes[k];
    }
    dst[used] = 0;
    return fits;
}
