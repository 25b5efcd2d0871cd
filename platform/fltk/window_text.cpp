// Implements the text helpers of the FLTK window service (window_internal.h):
// UTF-16 to UTF-8 and back, and a label type that shows text literally.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

#include <cstring>

#include "platform/fltk/window_internal.h"

// FLTK's switch for '&' underlining; not in its public headers.
extern char fl_draw_shortcut;

namespace {

constexpr unsigned kReplacement = 0xFFFD;
constexpr Fl_Labeltype kLiteralLabel = FL_FREE_LABELTYPE;

// Next code point of UTF-16 text; lone surrogates become U+FFFD.
unsigned NextCodePoint(const WCHAR*& s) {
    unsigned c = *s++;
    if (c >= 0xD800 && c <= 0xDBFF && *s >= 0xDC00 && *s <= 0xDFFF) return 0x10000 + ((c - 0xD800) << 10) + (*s++ - 0xDC00);
    if (c >= 0xD800 && c <= 0xDFFF) return kReplacement;
    return c;
}

int EncodeUtf8(unsigned c, char* out) {
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

void DrawLiteral(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
    fl_font(label->font, label->size);
    fl_color(static_cast<Fl_Color>(label->color));
    char shortcut = fl_draw_shortcut;
    fl_draw_shortcut = 0;
    fl_draw(label->value, x, y, w, h, align, label->image, 0);
    fl_draw_shortcut = shortcut;
}

void MeasureLiteral(const Fl_Label* label, int& w, int& h) {
    fl_font(label->font, label->size);
    char shortcut = fl_draw_shortcut;
    fl_draw_shortcut = 0;
    fl_measure(label->value, w, h, 0);
    fl_draw_shortcut = shortcut;
}

}  // namespace

void Utf16ToUtf8(char* dst, int capacity, const WCHAR* src) {
    if (capacity <= 0) return;
    int used = 0;
    while (src != nullptr && *src != 0) {
        char bytes[4];
        int n = EncodeUtf8(NextCodePoint(src), bytes);
        if (used + n >= capacity) break;
        for (int i = 0; i < n; ++i) dst[used++] = bytes[i];
    }
    dst[used] = 0;
}

void Utf8ToUtf16(WCHAR* dst, int capacity, const char* src) {
    if (capacity <= 0) return;
    int used = 0;
    const char* end = src + (src ? strlen(src) : 0);
    while (src != nullptr && src < end) {
        int length = 0;
        unsigned c = fl_utf8decode(src, end, &length);
        src += length > 0 ? length : 1;
        if (c >= 0x10000) {
            if (used + 2 >= capacity) break;
            dst[used++] = static_cast<WCHAR>(0xD800 + ((c - 0x10000) >> 10));
            dst[used++] = static_cast<WCHAR>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            if (used + 1 >= capacity) break;
            dst[used++] = static_cast<WCHAR>(c);
        }
    }
    dst[used] = 0;
}

void RegisterLiteralLabels() { Fl::set_labeltype(kLiteralLabel, DrawLiteral, MeasureLiteral); }

int LiteralLabelType() { return kLiteralLabel; }
