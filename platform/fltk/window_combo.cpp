// Implements the combo boxes of the FLTK window service (window_internal.h):
// an editable line with a drop-down list, answering the CB_* messages of
// platform/window.h like the handheld's combo box.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>

#include <cstdint>
#include <cstring>

#include "platform/fltk/window_internal.h"
#include "platform/text.h"

namespace {

struct ComboData {
    DialogControl* control;
    Fl_Group* group;
    Fl_Input* input;
    Fl_Menu_Button* arrow;
    WCHAR items[kMaxComboItems][MAX_TEXT];
    char labels[kMaxComboItems][kMaxUtf8];
    Fl_Menu_Item menu[kMaxComboItems + 1];
    int count;
    int selection;
    int fontSize;
};

struct ComboState {
    ComboData combos[kMaxCombos];
    int count;
};
ComboState g_combo{};

ComboData& ComboOf(const DialogControl* control) { return g_combo.combos[control->combo]; }

void ShowInInput(ComboData& combo, const WCHAR* text) {
    char utf8[kMaxUtf8];
    Utf16ToUtf8(utf8, kMaxUtf8, text);
    combo.input->value(utf8);
}

// The list as FLTK menu items whose labels are shown literally: FLTK's own
// add() would read '/', '&', '_' and '\t' in port names as menu syntax.
void RebuildMenu(ComboData& combo) {
    std::memset(combo.menu, 0, sizeof(combo.menu));
    for (int i = 0; i < combo.count; ++i) {
        Utf16ToUtf8(combo.labels[i], kMaxUtf8, combo.items[i]);
        Fl_Menu_Item& item = combo.menu[i];
        item.text = combo.labels[i];
        item.labeltype_ = static_cast<uchar>(LiteralLabelType());
        item.labelfont_ = FL_HELVETICA;
        item.labelsize_ = static_cast<Fl_Fontsize>(combo.fontSize);
        item.labelcolor_ = FL_FOREGROUND_COLOR;
    }
    combo.arrow->menu(combo.count > 0 ? combo.menu : nullptr);
}

int InsertAt(ComboData& combo, const WCHAR* text) {
    if ((combo.control->style & CBS_SORT) == 0) return combo.count;
    int at = 0;
    while (at < combo.count && WCompareNoCase(combo.items[at], text) <= 0)
        ++at;
    return at;
}

LRESULT AddItem(ComboData& combo, const WCHAR* text) {
    if (text == nullptr || combo.count >= kMaxComboItems) return CB_ERR;
    int at = InsertAt(combo, text);
    for (int i = combo.count; i > at; --i)
        WCopy(combo.items[i], combo.items[i - 1], MAX_TEXT);
    WCopy(combo.items[at], text, MAX_TEXT);
    ++combo.count;
    if (combo.selection >= at) ++combo.selection;
    RebuildMenu(combo);
    return at;
}

bool ValidIndex(const ComboData& combo, WPARAM wParam) {
    intptr_t index = static_cast<intptr_t>(wParam);
    return index >= 0 && index < combo.count;
}

// The user picked an entry: the dialog hears of it as a selection change.
void SelectByUser(ComboData& combo, int index) {
    if (index < 0 || index >= combo.count) return;
    ShowInInput(combo, combo.items[index]);
    if (index == combo.selection) return;
    combo.selection = index;
    WPARAM command = MAKEWPARAM(static_cast<WORD>(combo.control->id), CBN_SELCHANGE);
    QueueMessage(g_dialog.hwnd, WM_COMMAND, command, HandleOfControl(combo.control));
}

void OpenList(ComboData& combo) {
    if (combo.count == 0) return;
    const Fl_Menu_Item* initial = combo.selection >= 0 ? &combo.menu[combo.selection] : nullptr;
    const Fl_Menu_Item* picked = combo.menu->pulldown(combo.group->x(), combo.group->y(), combo.group->w(),
                                                      combo.group->h(), initial, combo.arrow);
    if (picked != nullptr) SelectByUser(combo, static_cast<int>(picked - combo.menu));
    combo.input->take_focus();
}

// The edit line: Up and Down step through the list, Alt+Down and F4 open it.
class ComboInput : public Fl_Input {
  public:
    ComboInput(int x, int y, int w, int h, int combo) : Fl_Input(x, y, w, h), combo_(combo) {}

    int handle(int event) override {
        if (event != FL_KEYBOARD) return Fl_Input::handle(event);
        ComboData& combo = g_combo.combos[combo_];
        int key = Fl::event_key();
        if ((key == FL_Down && Fl::event_alt()) || key == FL_F + 4) {
            OpenList(combo);
            return 1;
        }
        if (key == FL_Down || key == FL_Up) {
            int step = key == FL_Down ? 1 : -1;
            int next = combo.selection < 0 ? 0 : combo.selection + step;
            if (next >= 0 && next < combo.count) SelectByUser(combo, next);
            return 1;
        }
        return Fl_Input::handle(event);
    }

  private:
    int combo_;
};

// The arrow beside the edit line opens the list across the whole combo width.
class ComboArrow : public Fl_Menu_Button {
  public:
    ComboArrow(int x, int y, int w, int h, int combo) : Fl_Menu_Button(x, y, w, h), combo_(combo) {}

    int handle(int event) override {
        if (event == FL_PUSH && active_r()) {
            OpenList(g_combo.combos[combo_]);
            return 1;
        }
        if (event == FL_SHORTCUT || event == FL_KEYBOARD) return 0;
        return Fl_Menu_Button::handle(event);
    }

  private:
    int combo_;
};

}  // namespace

Fl_Widget* CreateCombo(DialogControl* control, int x, int y, int w, int h, int fontSize) {
    if (g_combo.count >= kMaxCombos) return nullptr;
    int index = g_combo.count++;
    ComboData& combo = g_combo.combos[index];
    combo.control = control;
    combo.count = 0;
    combo.selection = -1;
    combo.fontSize = fontSize;
    control->combo = index;

    combo.group = new Fl_Group(x, y, w, h);
    combo.input = new ComboInput(x, y, w - h, h, index);
    combo.input->textsize(fontSize);
    combo.arrow = new ComboArrow(x + w - h, y, h, h, index);
    combo.arrow->clear_visible_focus();
    combo.group->end();
    combo.group->resizable(combo.input);
    if ((control->style & WS_TABSTOP) == 0) combo.input->clear_visible_focus();
    RebuildMenu(combo);
    return combo.group;
}

LRESULT ComboMessage(DialogControl* control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (control->combo < 0) return CB_ERR;
    ComboData& combo = ComboOf(control);
    switch (message) {
        case CB_ADDSTRING: return AddItem(combo, reinterpret_cast<const WCHAR*>(lParam));
        case CB_RESETCONTENT:
            combo.count = 0;
            combo.selection = -1;
            RebuildMenu(combo);
            ShowInInput(combo, u"");
            return 0;
        case CB_GETCOUNT: return combo.count;
        case CB_GETCURSEL: return combo.selection >= 0 ? combo.selection : CB_ERR;
        case CB_SETCURSEL:
            if (!ValidIndex(combo, wParam)) {
                combo.selection = -1;
                return CB_ERR;
            }
            combo.selection = static_cast<int>(wParam);
            ShowInInput(combo, combo.items[combo.selection]);
            return combo.selection;
        case CB_GETLBTEXT:
            if (!ValidIndex(combo, wParam) || lParam == 0) return CB_ERR;
            WCopy(reinterpret_cast<WCHAR*>(lParam), combo.items[wParam], MAX_TEXT);
            return WLen(reinterpret_cast<WCHAR*>(lParam));
        case CB_GETLBTEXTLEN:
            if (!ValidIndex(combo, wParam)) return CB_ERR;
            return WLen(combo.items[wParam]);
        default: return CB_ERR;
    }
}

void ReadComboText(const DialogControl* control, WCHAR* text, int capacity) {
    Utf8ToUtf16(text, capacity, ComboOf(control).input->value(), SIZE_MAX);
}

void SetComboText(DialogControl* control, const WCHAR* text) { ShowInInput(ComboOf(control), text); }

void ResetCombos() {
    for (ComboData& combo : g_combo.combos) {
        combo.count = 0;
        combo.selection = -1;
    }
    g_combo.count = 0;
}
