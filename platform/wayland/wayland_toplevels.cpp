// Implements the window operations of platform/wayland/wayland_desktop.h
// through the foreign-toplevel protocol, and through x11_desktop.h for the
// X windows on Xwayland.
#include <cstring>
#include <ctime>

#include "platform/common/utf8.h"
#include "platform/wayland/wayland_desktop.h"
#include "platform/wayland/wayland_internal.h"
#include "platform/x11/desktop.h"

namespace {

constexpr int MAX_TOPLEVELS = 128;
constexpr int MAX_TITLE = 512;
constexpr int MAX_APP_ID = 256;
constexpr HWND FIRST_HANDLE = static_cast<HWND>(1) << 30;
// An X window mapped again becomes a toplevel once the compositor managed it.
constexpr int MAP_TIMEOUT_MS = 2000;

struct Toplevel {
    zwlr_foreign_toplevel_handle_v1* handle;
    HWND hwnd;
    char title[MAX_TITLE];
    char appId[MAX_APP_ID];
    bool activated;
    bool reportedActive;  // `activated` as of the last done
    bool complete;        // a first done arrived: title and state are known
};

struct Toplevels {
    zwlr_foreign_toplevel_manager_v1* manager;
    Toplevel list[MAX_TOPLEVELS];
    int count;
    HWND nextHandle;
    void (*reported)(HWND active);
};

Toplevels g_toplevels;

Toplevel* EntryOf(zwlr_foreign_toplevel_handle_v1* handle) {
    for (int i = 0; i < g_toplevels.count; ++i)
        if (g_toplevels.list[i].handle == handle) return &g_toplevels.list[i];
    return nullptr;
}

void CopyText(char* dst, int capacity, const char* src) {
    std::strncpy(dst, src != nullptr ? src : "", capacity - 1);
    dst[capacity - 1] = 0;
}

void OnTitle(void*, zwlr_foreign_toplevel_handle_v1* handle, const char* title) {
    if (Toplevel* t = EntryOf(handle)) CopyText(t->title, MAX_TITLE, title);
}

void OnAppId(void*, zwlr_foreign_toplevel_handle_v1* handle, const char* appId) {
    if (Toplevel* t = EntryOf(handle)) CopyText(t->appId, MAX_APP_ID, appId);
}

void OnOutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void OnOutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

void OnState(void*, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
    Toplevel* t = EntryOf(handle);
    if (t == nullptr) return;
    t->activated = false;
    const uint32_t* state = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        if (state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) t->activated = true;
}

HWND NameOf(const Toplevel& t);

// A done applies the state sent before it: a toplevel activated since the
// last is the compositor's report of another active window.
void OnDone(void*, zwlr_foreign_toplevel_handle_v1* handle) {
    Toplevel* t = EntryOf(handle);
    if (t == nullptr) return;
    t->complete = true;
    bool newlyActive = t->activated && !t->reportedActive;
    t->reportedActive = t->activated;
    if (newlyActive && g_toplevels.reported != nullptr) g_toplevels.reported(NameOf(*t));
}

void OnClosed(void*, zwlr_foreign_toplevel_handle_v1* handle) {
    Toplevel* t = EntryOf(handle);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (t == nullptr) return;
    *t = g_toplevels.list[--g_toplevels.count];
}

const zwlr_foreign_toplevel_handle_v1_listener HANDLE_LISTENER = {OnTitle, OnAppId, OnOutputEnter, OnOutputLeave,
                                                                  OnState, OnDone,  OnClosed};

void OnToplevel(void*, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    if (g_toplevels.count >= MAX_TOPLEVELS) {
        // Beyond what we track: such a window cannot be found, nothing else breaks.
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        return;
    }
    Toplevel& t = g_toplevels.list[g_toplevels.count++];
    t = Toplevel{};
    t.handle = handle;
    t.hwnd = g_toplevels.nextHandle++;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &HANDLE_LISTENER, nullptr);
}

void OnFinished(void*, zwlr_foreign_toplevel_manager_v1* manager) {
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    if (g_toplevels.manager == manager) g_toplevels.manager = nullptr;
}

const zwlr_foreign_toplevel_manager_v1_listener MANAGER_LISTENER = {OnToplevel, OnFinished};

bool IsToplevelHandle(HWND window) { return window >= FIRST_HANDLE && window < (static_cast<HWND>(1) << 32); }

// The X window that a toplevel of Xwayland shows: the compositor gives it the
// X window's class as app id and its title. 0 for a Wayland client's window.
HWND XWindowOf(const Toplevel& t) {
    if (t.title[0] == 0) return 0;
    WCHAR title[MAX_TITLE];
    WCHAR appId[MAX_APP_ID];
    Utf8ToUtf16(title, MAX_TITLE, t.title, MAX_TITLE);
    Utf8ToUtf16(appId, MAX_APP_ID, t.appId, MAX_APP_ID);
    return X11FindTopLevel(appId[0] != 0 ? appId : nullptr, title);
}

HWND NameOf(const Toplevel& t) {
    HWND x = XWindowOf(t);
    return x != 0 ? x : t.hwnd;
}

Toplevel* ToplevelOf(HWND window) {
    for (int i = 0; i < g_toplevels.count; ++i) {
        Toplevel& t = g_toplevels.list[i];
        if (!t.complete) continue;
        if (IsToplevelHandle(window) ? t.hwnd == window : XWindowOf(t) == window) return &t;
    }
    return nullptr;
}

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

bool ActivateToplevel(Toplevel* t) {
    const WaylandGlobals& g = WaylandConnection();
    if (g.seat == nullptr) return false;
    zwlr_foreign_toplevel_handle_v1_unset_minimized(t->handle);
    zwlr_foreign_toplevel_handle_v1_activate(t->handle, g.seat);
    return WaylandFlush();
}

}  // namespace

void WaylandToplevelsStart(zwlr_foreign_toplevel_manager_v1* manager) {
    void (*reported)(HWND) = g_toplevels.reported;
    g_toplevels = Toplevels{};
    g_toplevels.reported = reported;
    g_toplevels.manager = manager;
    g_toplevels.nextHandle = FIRST_HANDLE;
    zwlr_foreign_toplevel_manager_v1_add_listener(manager, &MANAGER_LISTENER, nullptr);
}

void WaylandToplevelsStop() {
    for (int i = 0; i < g_toplevels.count; ++i)
        zwlr_foreign_toplevel_handle_v1_destroy(g_toplevels.list[i].handle);
    g_toplevels.count = 0;
    // The compositor ends the manager with finished; the proxy goes with the connection.
    if (g_toplevels.manager != nullptr) zwlr_foreign_toplevel_manager_v1_stop(g_toplevels.manager);
    g_toplevels.manager = nullptr;
}

HWND WaylandFindTopLevel(const WCHAR* className, const WCHAR* title) {
    WaylandRoundtrip();
    char wantedTitle[MAX_TITLE * 3];
    char wantedClass[MAX_APP_ID * 3];
    if (title != nullptr) Utf16ToUtf8(wantedTitle, sizeof wantedTitle, title);
    if (className != nullptr) Utf16ToUtf8(wantedClass, sizeof wantedClass, className);
    for (int i = 0; i < g_toplevels.count; ++i) {
        const Toplevel& t = g_toplevels.list[i];
        if (!t.complete) continue;
        if (title != nullptr && std::strcmp(t.title, wantedTitle) != 0) continue;
        if (className != nullptr && std::strcmp(t.appId, wantedClass) != 0) continue;
        return NameOf(t);
    }
    // Unmapped X windows (a hidden dialog) are no toplevels.
    return X11FindTopLevel(className, title);
}

HWND WaylandActiveWindow() {
    if (!WaylandRoundtrip()) return -1;
    for (int i = 0; i < g_toplevels.count; ++i)
        if (g_toplevels.list[i].complete && g_toplevels.list[i].activated) return NameOf(g_toplevels.list[i]);
    return 0;
}

HWND WaylandKeyboardTarget() { return WaylandActiveWindow(); }

void WaylandWatchActiveWindow(void (*reported)(HWND active)) { g_toplevels.reported = reported; }

bool WaylandActivate(HWND window) {
    if (!WaylandRoundtrip()) return false;
    if (Toplevel* t = ToplevelOf(window)) return ActivateToplevel(t);
    return !IsToplevelHandle(window) && X11Activate(window);
}

bool WaylandShowAndActivate(HWND window) {
    if (!WaylandRoundtrip()) return false;
    if (Toplevel* t = ToplevelOf(window)) return ActivateToplevel(t);
    if (IsToplevelHandle(window) || !X11ShowAndActivate(window)) return false;
    // The compositor's own activation rules may not honour the X request.
    long long deadline = NowMs() + MAP_TIMEOUT_MS;
    while (NowMs() < deadline) {
        if (Toplevel* t = ToplevelOf(window)) return ActivateToplevel(t);
        if (!WaylandDispatchFor(20)) return false;
    }
    return false;
}

bool WaylandHide(HWND window) {
    if (IsToplevelHandle(window)) {
        Toplevel* t = ToplevelOf(window);
        if (t == nullptr) return false;
        zwlr_foreign_toplevel_handle_v1_set_minimized(t->handle);
        return WaylandFlush();
    }
    return X11Hide(window);
}

bool WaylandWindowExists(HWND window) {
    if (!IsToplevelHandle(window)) return X11WindowExists(window);
    WaylandRoundtrip();
    return ToplevelOf(window) != nullptr;
}

void WaylandRequestClose(HWND window) {
    if (!IsToplevelHandle(window)) {
        X11RequestClose(window);
        return;
    }
    WaylandRoundtrip();
    if (Toplevel* t = ToplevelOf(window)) {
        zwlr_foreign_toplevel_handle_v1_close(t->handle);
        WaylandFlush();
    }
}
