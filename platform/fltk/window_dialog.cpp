// Implements the dialog creation and control texts of platform/window.h with
// FLTK on X11: the dialog is laid out from its template in dialog units.
// Fl_X (what FLTK tells the window manager) is among FLTK's internals.
#define FL_INTERNALS
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Pixmap.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cstdint>
#include <cstdio>

#include "platform/common/settings_change.h"
#include "platform/fltk/window_internal.h"
#include "platform/text.h"

namespace {

const char kWindowClass[] = "tastra";
const char kWindowClassName[] = "Tastra";
constexpr int kScreenDpi = 96;

// Pixels per dialog unit, as the handheld derives them from the font:
// a quarter of the average character width, an eighth of the font height.
struct DialogUnits {
    int fontSize;
    int baseX;
    int baseY;
};

DialogUnits MeasureDialogUnits(const DialogTemplate& t) {
    DialogUnits units;
    units.fontSize = (t.pointSize > 0 ? t.pointSize : 8) * kScreenDpi / 72;
    // The handheld's "System" font is bold: its units give the texts room.
    fl_font(FL_HELVETICA_BOLD, units.fontSize);
    int alphabet = static_cast<int>(fl_width("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    units.baseX = (alphabet / 26 + 1) / 2;
    units.baseY = fl_height();
    return units;
}

int ToPixelsX(const DialogUnits& u, int du) { return (du * u.baseX + 2) / 4; }
int ToPixelsY(const DialogUnits& u, int du) { return (du * u.baseY + 4) / 8; }

// A push button that also answers Return while it has the focus.
class DialogButton : public Fl_Button {
  public:
    DialogButton(int x, int y, int w, int h) : Fl_Button(x, y, w, h) {}

    int handle(int event) override {
        if (event == FL_KEYBOARD && Fl::focus() == this &&
            (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            do_callback();
            return 1;
        }
        return Fl_Button::handle(event);
    }
};

void OnButton(Fl_Widget*, void* data) {
    const DialogControl* control = static_cast<const DialogControl*>(data);
    WPARAM command = MAKEWPARAM(static_cast<WORD>(control->id), BN_CLICKED);
    QueueMessage(g_dialog.hwnd, WM_COMMAND, command, HandleOfControl(control));
}

// The close box. Escape, which FLTK sends here too, is ignored: keys typed
// from the terminal into this window must not end the program.
void OnWindowClose(Fl_Widget*, void*) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    QueueMessage(g_dialog.hwnd, WM_CLOSE, 0, 0);
}

Fl_RGB_Image* IconImage(HINSTANCE instance, int iconId) {
    const IconResource* icon = FindIconResource(instance, iconId);
    if (icon == nullptr) return nullptr;
    Fl_Pixmap pixmap(icon->xpm);
    if (pixmap.w() <= 0) return nullptr;
    return new Fl_RGB_Image(&pixmap, FL_BACKGROUND_COLOR);
}

Fl_Widget* CreateIcon(HINSTANCE instance, const DialogItemTemplate& item, int x, int y, int w, int h) {
    Fl_Box* box = new Fl_Box(x, y, w, h);
    Fl_RGB_Image* image = IconImage(instance, item.iconId);
    if (image != nullptr) {
        int side = w < h ? w : h;
        delete g_dialog.icon;
        g_dialog.icon = image->copy(side, side);
        box->image(g_dialog.icon);
        delete image;
    }
    return box;
}

Fl_Widget* CreateWidget(HINSTANCE instance, DialogControl* control, const DialogItemTemplate& item,
                        const DialogUnits& u) {
    int x = ToPixelsX(u, item.x), y = ToPixelsY(u, item.y);
    int w = ToPixelsX(u, item.cx), h = ToPixelsY(u, item.cy);
    switch (item.kind) {
        case CONTROL_COMBOBOX: {
            // The template height includes the open list; the closed box is one edit line.
            int lineHeight = ToPixelsY(u, 12);
            return CreateCombo(control, x, y, w, h < lineHeight ? h : lineHeight, u.fontSize);
        }
        case CONTROL_EDIT: {
            Fl_Input* input = new Fl_Input(x, y, w, h);
            input->textsize(u.fontSize);
            return input;
        }
        case CONTROL_BUTTON: {
            DialogButton* button = new DialogButton(x, y, w, h);
            button->callback(OnButton, control);
            return button;
        }
        case CONTROL_ICON: return CreateIcon(instance, item, x, y, w, h);
        case CONTROL_STATIC:
        default: {
            Fl_Box* box = new Fl_Box(x, y, w, h);
            Fl_Align vertical = (item.style & SS_CENTERIMAGE) ? 0 : FL_ALIGN_TOP;
            box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP | vertical);
            return box;
        }
    }
}

void AddControl(HINSTANCE instance, const DialogItemTemplate& item, const DialogUnits& u) {
    if (g_dialog.controlCount >= kMaxControls) return;
    DialogControl* control = &g_dialog.controls[g_dialog.controlCount];
    control->id = item.id;
    control->kind = item.kind;
    control->style = item.style;
    control->combo = -1;
    WCopy(control->text, item.text ? item.text : u"", MAX_TEXT);
    control->widget = CreateWidget(instance, control, item, u);
    if (control->widget == nullptr) return;
    ++g_dialog.controlCount;
    Fl_Widget* widget = control->widget;
    widget->labelsize(u.fontSize);
    if (item.kind != CONTROL_ICON) widget->labeltype(static_cast<Fl_Labeltype>(LiteralLabelType()));
    if ((item.style & WS_TABSTOP) == 0 && item.kind != CONTROL_COMBOBOX) widget->clear_visible_focus();
    if (item.style & WS_DISABLED) widget->deactivate();
    if ((item.style & WS_VISIBLE) == 0) widget->hide();
    ApplyControlText(control);
}

// An override-redirect window while it is created: FLTK maps a window as it
// makes it, and the window manager must not see that map. Afterwards it
// becomes an ordinary managed window that no one has mapped yet.
class DialogWindow : public Fl_Double_Window {
  public:
    DialogWindow(int x, int y, int w, int h) : Fl_Double_Window(x, y, w, h) {}
    void MakeManaged() { clear_flag(OVERRIDE | NOBORDER); }
};

void SetAtomProperty(Window xid, const char* property, const char* value) {
    Atom name = XInternAtom(fl_display, property, False);
    Atom atom = XInternAtom(fl_display, value, False);
    XChangeProperty(fl_display, xid, name, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&atom), 1);
}

// What FLTK tells the window manager only about windows it lets it manage.
// The program's main window, not a dialog: window managers for small
// screens keep a dialog in front and refuse to activate other applications.
void DescribeToWindowManager(DialogWindow* window, Window xid) {
    Atom deleteWindow = XInternAtom(fl_display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(fl_display, xid, &deleteWindow, 1);
    XClassHint classHint{const_cast<char*>(kWindowClass), const_cast<char*>(kWindowClassName)};
    XSetClassHint(fl_display, xid, &classHint);
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(fl_display, xid, &hints);
    SetAtomProperty(xid, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL");
    char title[kMaxUtf8];
    title[0] = 0;
    if (window->label() != nullptr) std::snprintf(title, sizeof(title), "%s", window->label());
    window->copy_label(title);
    Fl_X* x = Fl_X::i(window);
    x->sendxjunk();
    x->set_icons();
}

// Gives the dialog its X window id before WM_INITDIALOG without showing it.
void CreateHiddenXWindow(DialogWindow* window) {
    int x = window->x(), y = window->y(), w = window->w(), h = window->h();
    window->set_override();
    window->show();
    Window xid = fl_xid(window);
    XUnmapWindow(fl_display, xid);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = False;
    XChangeWindowAttributes(fl_display, xid, CWOverrideRedirect, &attributes);
    window->MakeManaged();
    window->resize(x, y, w, h);
    DescribeToWindowManager(window, xid);
    window->Fl_Widget::hide();
    XFlush(fl_display);
}

DialogWindow* CreateDialogWindow(HINSTANCE instance, const DialogTemplate& t, const DialogUnits& u) {
    int w = ToPixelsX(u, t.cx), h = ToPixelsY(u, t.cy);
    DialogWindow* window = new DialogWindow((Fl::w() - w) / 2, (Fl::h() - h) / 2, w, h);
    char caption[kMaxUtf8];
    Utf16ToUtf8(caption, kMaxUtf8, t.caption);
    window->copy_label(caption);
    window->xclass(kWindowClass);
    window->size_range(w, h, w, h);
    window->callback(OnWindowClose);
    // The module's first icon is the application's, as on the handheld.
    Fl_RGB_Image* icon = instance->iconCount > 0 ? IconImage(instance, instance->icons[0].id) : nullptr;
    if (icon != nullptr) {
        window->icon(icon);
        delete icon;
    }
    return window;
}

}  // namespace

void ApplyControlText(DialogControl* control) {
    if (control->kind == CONTROL_COMBOBOX) {
        SetComboText(control, control->text);
        return;
    }
    char utf8[kMaxUtf8];
    Utf16ToUtf8(utf8, kMaxUtf8, control->text);
    if (control->kind == CONTROL_EDIT)
        static_cast<Fl_Input*>(control->widget)->value(utf8);
    else if (control->kind != CONTROL_ICON)
        control->widget->copy_label(utf8);
}

HWND CreateDialogParamW(HINSTANCE instance, int templateId, HWND, DLGPROC procedure, LPARAM param) {
    const DialogTemplate* t = FindDialogTemplate(instance, templateId);
    // One dialog per program: the FLTK window service keeps a single set of controls.
    if (t == nullptr || procedure == nullptr || g_dialog.window != nullptr || fl_display == nullptr) return 0;
    RegisterLiteralLabels();
    StartKeyTimer();
    Fl::scheme("gtk+");
    DialogUnits units = MeasureDialogUnits(*t);

    DialogWindow* window = CreateDialogWindow(instance, *t, units);
    g_dialog.window = window;
    g_dialog.controlCount = 0;
    for (int i = 0; i < t->itemCount; ++i)
        AddControl(instance, t->items[i], units);
    window->end();
    CreateHiddenXWindow(window);
    g_dialog.hwnd = static_cast<HWND>(fl_xid(window));
    g_dialog.procedure = procedure;
    g_dialog.shown = false;
    WatchDialogState();

    ListenForSettingChange(QueueSettingChange);
    procedure(g_dialog.hwnd, WM_INITDIALOG, 0, param);
    if ((t->style & WS_VISIBLE) && !g_dialog.shown) ShowWindow(g_dialog.hwnd, SW_SHOW);
    return g_dialog.hwnd;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!IsDialog(dialog)) return 0;
    DialogControl* control = ControlFromId(id);
    return control ? HandleOfControl(control) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    if (control == 0) return CB_ERR;
    return SendMessageW(control, message, wParam, lParam);
}

BOOL SetWindowTextW(HWND window, const WCHAR* text) {
    if (text == nullptr) text = u"";
    if (DialogControl* control = ControlFromHandle(window)) {
        WCopy(control->text, text, MAX_TEXT);
        ApplyControlText(control);
        return TRUE;
    }
    if (!IsDialog(window)) return FALSE;
    char utf8[kMaxUtf8];
    Utf16ToUtf8(utf8, kMaxUtf8, text);
    g_dialog.window->copy_label(utf8);
    return TRUE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, const WCHAR* text) { return SetWindowTextW(GetDlgItem(dialog, id), text); }

int GetDlgItemTextW(HWND dialog, int id, WCHAR* text, int capacity) {
    if (text == nullptr || capacity <= 0) return 0;
    text[0] = 0;
    DialogControl* control = ControlFromHandle(GetDlgItem(dialog, id));
    if (control == nullptr) return 0;
    if (control->kind == CONTROL_COMBOBOX)
        ReadComboText(control, text, capacity);
    else if (control->kind == CONTROL_EDIT)
        Utf8ToUtf16(text, capacity, static_cast<Fl_Input*>(control->widget)->value(), SIZE_MAX);
    else
        WCopy(text, control->text, capacity);
    return WLen(text);
}
