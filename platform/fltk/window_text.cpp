// Implements the literal labels of the FLTK window service (window_internal.h):
// a label type that shows "&" and "@" as they are.
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "platform/fltk/window_internal.h"

// FLTK's switch for '&' underlining; not in its public headers.
extern char fl_draw_shortcut;

namespace {

constexpr Fl_Labeltype kLiteralLabel = FL_FREE_LABELTYPE;

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

void RegisterLiteralLabels() { Fl::set_labeltype(kLiteralLabel, DrawLiteral, MeasureLiteral); }

int LiteralLabelType() { return kLiteralLabel; }
