// Implements platform/text.h for every backend.
#include "platform/text.h"

#include <cstdarg>

int WLen(const WCHAR* s) {
    int n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

WCHAR* WCopy(WCHAR* dst, const WCHAR* src, size_t capacity) {
    if (capacity == 0) return dst;
    size_t i = 0;
    for (; i + 1 < capacity && src[i] != 0; ++i)
        dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

WCHAR* WAppend(WCHAR* dst, const WCHAR* src, size_t capacity) {
    size_t used = 0;
    while (used < capacity && dst[used] != 0)
        ++used;
    if (used < capacity) WCopy(dst + used, src, capacity - used);
    return dst;
}

int WCompare(const WCHAR* a, const WCHAR* b) {
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return static_cast<int>(*a) - static_cast<int>(*b);
}

int WCompareN(const WCHAR* a, const WCHAR* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
        if (a[i] == 0) return 0;
    }
    return 0;
}

WCHAR WFoldCase(WCHAR c) {
    if (c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<WCHAR>(c + 32);
    return c;
}

int WCompareNoCase(const WCHAR* a, const WCHAR* b) {
    while (*a != 0 && WFoldCase(*a) == WFoldCase(*b))
        ++a, ++b;
    return static_cast<int>(WFoldCase(*a)) - static_cast<int>(WFoldCase(*b));
}

const WCHAR* WFind(const WCHAR* haystack, const WCHAR* needle) {
    int n = WLen(needle);
    for (const WCHAR* p = haystack;; ++p) {
        if (WCompareN(p, needle, n) == 0) return p;
        if (*p == 0) return nullptr;
    }
}

const WCHAR* WFindLastChar(const WCHAR* s, WCHAR c) {
    const WCHAR* found = nullptr;
    for (; *s != 0; ++s)
        if (*s == c) found = s;
    return found;
}

// Output cursor for WFormat: counts what it keeps, drops what does not fit.
struct Out {
    WCHAR* dst;
    size_t capacity;
    size_t used;
};

static void Put(Out& out, WCHAR c) {
    if (out.used + 1 < out.capacity) out.dst[out.used++] = c;
}

static void PutNumber(Out& out, unsigned long value, bool negative) {
    WCHAR digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<WCHAR>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (negative) Put(out, u'-');
    while (n > 0)
        Put(out, digits[--n]);
}

int WFormat(WCHAR* dst, size_t capacity, const WCHAR* format, ...) {
    if (capacity == 0) return 0;
    Out out{dst, capacity, 0};
    va_list args;
    va_start(args, format);
    for (const WCHAR* f = format; *f != 0; ++f) {
        if (*f != u'%' || f[1] == 0) {
            Put(out, *f);
            continue;
        }
        ++f;
        if (*f == u's') {
            const WCHAR* s = va_arg(args, const WCHAR*);
            for (; s != nullptr && *s != 0; ++s)
                Put(out, *s);
        } else if (*f == u'd') {
            int v = va_arg(args, int);
            unsigned long magnitude = v < 0 ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
            PutNumber(out, magnitude, v < 0);
        } else if (*f == u'u') {
            PutNumber(out, va_arg(args, unsigned), false);
        } else if (*f == u'c') {
            Put(out, static_cast<WCHAR>(va_arg(args, int)));
        } else {
            Put(out, *f);
        }
    }
    va_end(args);
    dst[out.used] = 0;
    return static_cast<int>(out.used);
}

long WToLong(const WCHAR* s) {
    while (*s == u' ' || *s == u'\t')
        ++s;
    bool negative = *s == u'-';
    if (*s == u'-' || *s == u'+') ++s;
    unsigned long value = 0;
    for (; *s >= u'0' && *s <= u'9'; ++s)
        value = value * 10 + (*s - u'0');
    return negative ? -static_cast<long>(value) : static_cast<long>(value);
}

int WHexDigit(WCHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

unsigned long long WHexToNumber(const WCHAR* s, int digits) {
    unsigned long long value = 0;
    for (int i = 0; i < digits && WHexDigit(s[i]) >= 0; ++i)
        value = value * 16 + WHexDigit(s[i]);
    return value;
}

WCHAR* WFromBytes(WCHAR* dst, const char* src, size_t capacity) {
    if (capacity == 0) return dst;
    size_t i = 0;
    for (; i + 1 < capacity && src[i] != 0; ++i)
        dst[i] = static_cast<unsigned char>(src[i]);
    dst[i] = 0;
    return dst;
}

char* WToBytes(char* dst, const WCHAR* src, size_t capacity) {
    if (capacity == 0) return dst;
    size_t i = 0;
    for (; i + 1 < capacity && src[i] != 0; ++i)
        dst[i] = src[i] <= 0xFF ? static_cast<char>(src[i]) : '?';
    dst[i] = 0;
    return dst;
}
