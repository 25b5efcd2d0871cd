// Implements platform/window.h on the emulated handheld.
#include "platform/emulated/emu_window.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "platform/common/settings_change.h"
#include "platform/emulated/emu_clock.h"
#include "platform/emulated/emu_fold.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

// One dialog unit is two pixels here; the caption adds a fixed height.
constexpr int kPixelsPerUnit = 2;
constexpr int kCaptionHeight = 24;
constexpr HWND kFirstWindow = 0x100;
constexpr HWND kFirstControl = 0x10000;

struct Control {
    int id;
    ControlKind kind;
    DWORD style;
    std::u16string text;
    std::vector<std::u16string> items;
    int selection = -1;
    bool visible = true;
    bool enabled = true;
};

struct Window {
    std::u16string title;
    std::u16string className;
    DWORD appearsAt = 0;
    DWORD closesAt = EMU_NEVER;
    bool visible = true;
    bool destroyed = false;
    bool closesOnWmClose = false;
    RECT rect{0, 0, 100, 100};
};

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    DWORD due;
    DWORD startedAt;
};

struct WindowState {
    std::vector<Window> windows;    // index = hwnd - kFirstWindow
    std::vector<Control> controls;  // the dialog's; index = hwnd - kFirstControl
    HWND dialog = 0;
    DLGPROC procedure = nullptr;
    std::vector<HWND> zOrder;  // front is the top
    HWND foreground = 0;
    HWND keyboardTarget = 0;
    bool failKeyboardTarget = false;
    bool failDialog = false;
    bool failTimers = false;
    int screenWidth = 480;
    int focused = -1;  // control index
    std::vector<Timer> timers;
    std::deque<MSG> queue;
    bool quit = false;
    int quitCode = 0;
    bool starved = false;
    std::vector<EmuMessage> log;
    std::u16string messageBox;
};
WindowState g_wm;

Window* FindTopLevel(HWND hwnd) {
    HWND i = hwnd - kFirstWindow;
    if (i < 0 || i >= static_cast<HWND>(g_wm.windows.size())) return nullptr;
    return &g_wm.windows[i];
}

bool Exists(const Window& w) {
    DWORD now = EmuNow();
    return !w.destroyed && now >= w.appearsAt && now < w.closesAt;
}

Window* LiveWindow(HWND hwnd) {
    Window* w = FindTopLevel(hwnd);
    return w != nullptr && Exists(*w) ? w : nullptr;
}

Control* FindControl(HWND hwnd) {
    HWND i = hwnd - kFirstControl;
    if (g_wm.dialog == 0 || i < 0 || i >= static_cast<HWND>(g_wm.controls.size())) return nullptr;
    return &g_wm.controls[i];
}

Control* ControlById(int id) {
    for (Control& c : g_wm.controls)
        if (c.id == id && id != IDC_STATIC) return &c;
    return nullptr;
}

HWND ControlHandle(const Control& c) { return kFirstControl + (&c - g_wm.controls.data()); }

bool BelongsToDialog(HWND hwnd) { return hwnd != 0 && (hwnd == g_wm.dialog || FindControl(hwnd) != nullptr); }

void Raise(HWND hwnd) {
    auto& z = g_wm.zOrder;
    z.erase(std::remove(z.begin(), z.end(), hwnd), z.end());
    z.insert(z.begin(), hwnd);
}

HWND TopVisibleExcept(HWND except) {
    for (HWND h : g_wm.zOrder) {
        Window* w = LiveWindow(h);
        if (h != except && w != nullptr && w->visible) return h;
    }
    return 0;
}

void Log(EmuMessageKind kind, HWND target, UINT message, WPARAM wParam, LPARAM lParam, bool delivered,
         const WCHAR* text = nullptr) {
    EmuMessage m{kind,     target,   message, wParam, text ? 0 : lParam, text ? std::u16string(text) : std::u16string(),
                 EmuNow(), delivered};
    g_wm.log.push_back(std::move(m));
}

void CloseIfAsked(HWND hwnd, UINT message) {
    Window* w = LiveWindow(hwnd);
    if (w != nullptr && message == WM_CLOSE && w->closesOnWmClose && hwnd != g_wm.dialog) EmuDestroyWindow(hwnd);
}

LRESULT ComboMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
    int count = static_cast<int>(c.items.size());
    switch (message) {
        case CB_ADDSTRING: {
            std::u16string text(reinterpret_cast<const WCHAR*>(lParam));
            auto at = c.items.end();
            // After the last equal item; a sorted list is searched by halves,
            // as a list of hundreds of ports made every add a long walk.
            if (c.style & CBS_SORT)
                at = std::upper_bound(c.items.begin(), c.items.end(), text,
                                      [](const std::u16string& added, const std::u16string& item) {
                                          return EmuCompareNoCase(item.c_str(), added.c_str()) > 0;
                                      });
            int index = static_cast<int>(at - c.items.begin());
            c.items.insert(at, std::move(text));
            if (c.selection >= index) ++c.selection;
            return index;
        }
        case CB_RESETCONTENT:
            c.items.clear();
            c.selection = -1;
            c.text.clear();
            return 0;
        case CB_GETCOUNT: return count;
        case CB_GETCURSEL: return c.selection >= 0 ? c.selection : CB_ERR;
        case CB_SETCURSEL: {
            int index = static_cast<int>(static_cast<intptr_t>(wParam));
            if (index < 0 || index >= count) {
                c.selection = -1;
                return CB_ERR;
            }
            c.selection = index;
            c.text = c.items[index];
            return index;
        }
        case CB_GETLBTEXT: {
            int index = static_cast<int>(static_cast<intptr_t>(wParam));
            if (index < 0 || index >= count) return CB_ERR;
            WCopy(reinterpret_cast<WCHAR*>(lParam), c.items[index].c_str(), MAX_TEXT);
            return WLen(reinterpret_cast<WCHAR*>(lParam));
        }
        case CB_GETLBTEXTLEN: {
            int index = static_cast<int>(static_cast<intptr_t>(wParam));
            if (index < 0 || index >= count) return CB_ERR;
            return static_cast<LRESULT>(c.items[index].size());
        }
        default: return CB_ERR;
    }
}

LRESULT ControlMessage(Control& c, UINT message, WPARAM wParam, LPARAM lParam) {
    if (c.kind != CONTROL_COMBOBOX) return CB_ERR;
    return ComboMessage(c, message, wParam, lParam);
}

bool CanFocus(const Control& c) { return (c.style & WS_TABSTOP) && c.visible && c.enabled; }

void FocusNext() {
    int n = static_cast<int>(g_wm.controls.size());
    for (int step = 1; step <= n; ++step) {
        int i = ((g_wm.focused < 0 ? -1 : g_wm.focused) + step) % n;
        if (CanFocus(g_wm.controls[i])) {
            g_wm.focused = i;
            return;
        }
    }
}

// The timer due first, or nullptr.
Timer* NextTimer() {
    Timer* next = nullptr;
    for (Timer& t : g_wm.timers)
        if (next == nullptr || t.due < next->due) next = &t;
    return next;
}

void Handle(MSG& m) {
    if (!IsDialogMessageW(g_wm.dialog, &m)) DispatchMessageW(&m);
}

}  // namespace

// ---- control panel ---------------------------------------------------------

// The log keeps its storage: fuzzers reset thousands of times a second, and
// growing it again each time cost more than the translation it records.
void EmuResetWindows() {
    std::vector<EmuMessage> log = std::move(g_wm.log);
    log.clear();
    g_wm = WindowState();
    g_wm.log = std::move(log);
    ListenForSettingChange([] {
        if (g_wm.dialog != 0) PostMessageW(g_wm.dialog, WM_SETTINGCHANGE, 0, 0);
    });
}
HWND EmuDialog() { return g_wm.dialog; }
void EmuFailDialogCreation(bool fail) { g_wm.failDialog = fail; }

HWND EmuAddWindow(const WCHAR* title, const WCHAR* className, DWORD appearsAt, DWORD closesAt) {
    Window w;
    w.title = title ? title : u"";
    w.className = className ? className : u"";
    w.appearsAt = appearsAt;
    w.closesAt = closesAt;
    g_wm.windows.push_back(w);
    HWND hwnd = kFirstWindow + static_cast<HWND>(g_wm.windows.size()) - 1;
    g_wm.zOrder.push_back(hwnd);
    return hwnd;
}

void EmuCloseOnWmClose(HWND window, bool closes) {
    if (Window* w = FindTopLevel(window)) w->closesOnWmClose = closes;
}

void EmuDestroyWindow(HWND window) {
    Window* w = FindTopLevel(window);
    if (w == nullptr) return;
    w->destroyed = true;
    if (g_wm.foreground == window) g_wm.foreground = TopVisibleExcept(window);
}

bool EmuWindowExists(HWND window) { return LiveWindow(window) != nullptr; }

void EmuSetForeground(HWND window) {
    g_wm.foreground = window;
    if (window != 0) Raise(window);
}

void EmuSelectComboItem(int controlId, int index) {
    Control* c = ControlById(controlId);
    if (c == nullptr) return;
    ComboMessage(*c, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(g_wm.dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(controlId), CBN_SELCHANGE), ControlHandle(*c));
}

void EmuClickButton(int controlId) {
    Control* c = ControlById(controlId);
    if (c == nullptr) return;
    PostMessageW(g_wm.dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(controlId), BN_CLICKED), ControlHandle(*c));
}

void EmuPressKey(WORD virtualKey) {
    HWND target = g_wm.focused >= 0 ? kFirstControl + g_wm.focused : g_wm.dialog;
    g_wm.queue.push_back(MSG{target, WM_KEYDOWN, virtualKey, 1});
}

void EmuSetKeyboardTarget(HWND window) { g_wm.keyboardTarget = window; }
void EmuFailKeyboardTarget(bool fail) { g_wm.failKeyboardTarget = fail; }
void EmuSetScreenWidth(int pixels) { g_wm.screenWidth = pixels; }
void EmuFailTimers(bool fail) { g_wm.failTimers = fail; }

bool EmuTimerRunning(HWND window, UINT_PTR id) {
    for (const Timer& t : g_wm.timers)
        if (t.window == window && t.id == id) return true;
    return false;
}

DWORD EmuTimerStartedAt(HWND window, UINT_PTR id) {
    for (const Timer& t : g_wm.timers)
        if (t.window == window && t.id == id) return t.startedAt;
    return EMU_NEVER;
}

std::u16string EmuControlText(int controlId) {
    Control* c = ControlById(controlId);
    return c ? c->text : u"";
}

std::vector<std::u16string> EmuComboItems(int controlId) {
    Control* c = ControlById(controlId);
    return c ? c->items : std::vector<std::u16string>();
}

int EmuComboSelection(int controlId) {
    Control* c = ControlById(controlId);
    return c ? c->selection : -1;
}

bool EmuControlVisible(int controlId) {
    Control* c = ControlById(controlId);
    return c != nullptr && c->visible;
}

bool EmuControlEnabled(int controlId) {
    Control* c = ControlById(controlId);
    return c != nullptr && c->enabled;
}

int EmuFocusedControl() { return g_wm.focused >= 0 ? g_wm.controls[g_wm.focused].id : 0; }

std::u16string EmuWindowText(HWND window) {
    if (Control* c = FindControl(window)) return c->text;
    Window* w = FindTopLevel(window);
    return w ? w->title : u"";
}

RECT EmuWindowRect(HWND window) {
    Window* w = FindTopLevel(window);
    return w ? w->rect : RECT{0, 0, 0, 0};
}

bool EmuWindowVisible(HWND window) { return IsWindowVisible(window) != FALSE; }
HWND EmuTopWindow() { return TopVisibleExcept(0); }

const std::vector<EmuMessage>& EmuMessageLog() { return g_wm.log; }
void EmuClearMessageLog() { g_wm.log.clear(); }

std::vector<EmuMessage> EmuKeyMessagesTo(HWND target) {
    std::vector<EmuMessage> keys;
    for (const EmuMessage& m : g_wm.log)
        if (m.kind == EMU_POSTED && m.target == target &&
            (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_CHAR))
            keys.push_back(m);
    return keys;
}

bool EmuLoopStarved() { return g_wm.starved; }
int EmuQuitCode() { return g_wm.quitCode; }
std::u16string EmuLastMessageBox() { return g_wm.messageBox; }

int EmuRunPending() {
    int handled = 0;
    while (!g_wm.queue.empty()) {
        MSG m = g_wm.queue.front();
        g_wm.queue.pop_front();
        Handle(m);
        ++handled;
    }
    return handled;
}

void EmuRunFor(DWORD milliseconds) {
    DWORD end = EmuNow() + milliseconds;
    for (;;) {
        EmuRunPending();
        Timer* t = NextTimer();
        DWORD scheduled = EMU_NEVER;
        bool hasScheduled = EmuNextScheduled(&scheduled);
        DWORD next = t ? t->due : EMU_NEVER;
        if (hasScheduled && scheduled < next) next = scheduled;
        if ((t == nullptr && !hasScheduled) || next > end) break;
        if (next > EmuNow()) EmuAdvance(next - EmuNow());
        t = NextTimer();  // a scheduled action may have started or killed timers
        if (t != nullptr && t->due <= EmuNow() && g_wm.queue.empty()) {
            MSG m{t->window, WM_TIMER, t->id, 0};
            t->due = EmuNow() + t->period;
            Handle(m);
        } else if (hasScheduled && scheduled <= EmuNow()) {
            EmuAdvance(0);
        }
    }
    if (end > EmuNow()) EmuAdvance(end - EmuNow());
}

// ---- platform/window.h -----------------------------------------------------

HWND CreateDialogParamW(HINSTANCE instance, int templateId, HWND, DLGPROC procedure, LPARAM param) {
    const DialogTemplate* t = FindDialogTemplate(instance, templateId);
    if (g_wm.failDialog || t == nullptr || procedure == nullptr) return 0;
    HWND dialog = EmuAddWindow(t->caption, u"Dialog");
    Window* w = FindTopLevel(dialog);
    w->visible = (t->style & WS_VISIBLE) != 0;
    w->rect = RECT{8, 16, 8 + t->cx * kPixelsPerUnit, 16 + t->cy * kPixelsPerUnit + kCaptionHeight};
    g_wm.dialog = dialog;
    g_wm.procedure = procedure;
    g_wm.controls.clear();
    for (int i = 0; i < t->itemCount; ++i) {
        const DialogItemTemplate& item = t->items[i];
        Control c;
        c.id = item.id;
        c.kind = item.kind;
        c.style = item.style;
        c.text = item.text ? item.text : u"";
        c.visible = (item.style & WS_VISIBLE) != 0;
        c.enabled = (item.style & WS_DISABLED) == 0;
        g_wm.controls.push_back(c);
    }
    g_wm.focused = -1;
    FocusNext();
    procedure(dialog, WM_INITDIALOG, 0, param);
    return dialog;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (dialog == 0 || dialog != g_wm.dialog) return 0;
    Control* c = ControlById(id);
    return c ? ControlHandle(*c) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control != 0 ? SendMessageW(control, message, wParam, lParam) : CB_ERR;
}

BOOL SetWindowTextW(HWND window, const WCHAR* text) {
    if (Control* c = FindControl(window)) {
        c->text = text;
        return TRUE;
    }
    Window* w = FindTopLevel(window);
    if (w == nullptr) return FALSE;
    w->title = text;
    return TRUE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, const WCHAR* text) { return SetWindowTextW(GetDlgItem(dialog, id), text); }

int GetDlgItemTextW(HWND dialog, int id, WCHAR* text, int capacity) {
    Control* c = FindControl(GetDlgItem(dialog, id));
    if (capacity <= 0) return 0;
    WCopy(text, c ? c->text.c_str() : u"", capacity);
    return WLen(text);
}

BOOL ShowWindow(HWND window, int showCommand) {
    if (Control* c = FindControl(window)) {
        bool was = c->visible;
        c->visible = showCommand != SW_HIDE;
        return was;
    }
    Window* w = LiveWindow(window);
    if (w == nullptr) return FALSE;
    bool was = w->visible;
    if (showCommand == SW_HIDE) {
        w->visible = false;
        if (g_wm.foreground == window) g_wm.foreground = TopVisibleExcept(window);
    } else {
        w->visible = true;
        EmuSetForeground(window);
    }
    return was;
}

BOOL IsWindowVisible(HWND window) {
    if (Control* c = FindControl(window)) return c->visible && IsWindowVisible(g_wm.dialog);
    Window* w = LiveWindow(window);
    return w != nullptr && w->visible;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    Control* c = FindControl(window);
    if (c == nullptr) return FALSE;
    bool wasDisabled = !c->enabled;
    c->enabled = enable != FALSE;
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
    Control* c = FindControl(window);
    return c != nullptr ? c->enabled : LiveWindow(window) != nullptr;
}

HWND GetForegroundWindow() { return LiveWindow(g_wm.foreground) ? g_wm.foreground : 0; }

BOOL SetForegroundWindow(HWND window) {
    if (LiveWindow(window) == nullptr) return FALSE;
    EmuSetForeground(window);
    return TRUE;
}

HWND GetForegroundKeyboardTarget() {
    if (g_wm.failKeyboardTarget) return -1;
    if (g_wm.keyboardTarget != 0) return g_wm.keyboardTarget;
    HWND foreground = GetForegroundWindow();
    if (foreground != 0 && foreground == g_wm.dialog && g_wm.focused >= 0) return kFirstControl + g_wm.focused;
    return foreground;
}

HWND FindWindowW(const WCHAR* className, const WCHAR* title) {
    for (size_t i = 0; i < g_wm.windows.size(); ++i) {
        const Window& w = g_wm.windows[i];
        if (!Exists(w)) continue;
        if (className != nullptr && w.className != className) continue;
        if (title != nullptr && w.title != title) continue;
        return kFirstWindow + static_cast<HWND>(i);
    }
    return 0;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (BelongsToDialog(window) && LiveWindow(g_wm.dialog)) {
        Log(EMU_POSTED, window, message, wParam, lParam, true);
        g_wm.queue.push_back(MSG{window, message, wParam, lParam});
        return TRUE;
    }
    bool live = LiveWindow(window) != nullptr;
    Log(EMU_POSTED, window, message, wParam, lParam, live);
    CloseIfAsked(window, message);
    return live;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Control* c = FindControl(window)) {
        const WCHAR* text = message == CB_ADDSTRING ? reinterpret_cast<const WCHAR*>(lParam) : nullptr;
        Log(EMU_CONTROL, window, message, wParam, lParam, true, text);
        return ControlMessage(*c, message, wParam, lParam);
    }
    bool live = LiveWindow(window) != nullptr;
    Log(EMU_SENT, window, message, wParam, lParam, live);
    if (live && window == g_wm.dialog) return g_wm.procedure(window, message, wParam, lParam);
    CloseIfAsked(window, message);
    return 0;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
    if (g_wm.failTimers || LiveWindow(window) == nullptr) return 0;
    KillTimer(window, id);
    g_wm.timers.push_back(Timer{window, id, milliseconds, EmuNow() + milliseconds, EmuNow()});
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    auto& timers = g_wm.timers;
    auto it =
        std::find_if(timers.begin(), timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}

int GetSystemMetrics(int index) { return index == SM_CXSCREEN ? g_wm.screenWidth : 640; }

BOOL GetWindowRect(HWND window, RECT* rect) {
    Window* w = LiveWindow(window);
    if (w == nullptr) return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = LiveWindow(window);
    if (w == nullptr) return FALSE;
    w->rect = RECT{x, y, x + cx, y + cy};
    if (insertAfter == HWND_TOP) Raise(window);
    if (flags & SWP_SHOWWINDOW) w->visible = true;
    return TRUE;
}

BOOL GetMessageW(MSG* message, HWND, UINT, UINT) {
    for (;;) {
        if (!g_wm.queue.empty()) {
            *message = g_wm.queue.front();
            g_wm.queue.pop_front();
            return TRUE;
        }
        if (g_wm.quit) {
            *message = MSG{0, WM_QUIT, static_cast<WPARAM>(g_wm.quitCode), 0};
            return FALSE;
        }
        Timer* t = NextTimer();
        DWORD scheduled = 0;
        bool hasScheduled = EmuNextScheduled(&scheduled);
        if (t == nullptr && !hasScheduled) {
            g_wm.starved = true;
            *message = MSG{0, WM_QUIT, 0, 0};
            return FALSE;
        }
        if (t != nullptr && (!hasScheduled || t->due <= scheduled)) {
            if (t->due > EmuNow()) EmuAdvance(t->due - EmuNow());
            if (!g_wm.queue.empty() || g_wm.quit) continue;
            // The timer may have been killed by a scheduled action.
            t = NextTimer();
            if (t == nullptr || t->due > EmuNow()) continue;
            *message = MSG{t->window, WM_TIMER, t->id, 0};
            t->due = EmuNow() + t->period;
            return TRUE;
        }
        EmuAdvance(scheduled > EmuNow() ? scheduled - EmuNow() : 0);
    }
}

BOOL IsDialogMessageW(HWND dialog, MSG* message) {
    if (dialog == 0 || dialog != g_wm.dialog || !BelongsToDialog(message->hwnd)) return FALSE;
    if (message->message == WM_KEYDOWN) {
        if (message->wParam == VK_TAB) {
            FocusNext();
        } else if (message->wParam == VK_RETURN && g_wm.focused >= 0 &&
                   g_wm.controls[g_wm.focused].kind == CONTROL_BUTTON) {
            EmuClickButton(g_wm.controls[g_wm.focused].id);
        }
        return TRUE;
    }
    if (message->hwnd == dialog) g_wm.procedure(dialog, message->message, message->wParam, message->lParam);
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
    if (message->hwnd != 0 && message->hwnd == g_wm.dialog && g_wm.procedure != nullptr)
        return g_wm.procedure(message->hwnd, message->message, message->wParam, message->lParam);
    return 0;
}

void PostQuitMessage(int exitCode) {
    g_wm.quit = true;
    g_wm.quitCode = exitCode;
}

int MessageBoxW(HWND, const WCHAR* text, const WCHAR*, UINT) {
    g_wm.messageBox = text;
    return 1;
}
