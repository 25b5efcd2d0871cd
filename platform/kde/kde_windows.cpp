// Implements the window operations of platform/kde/kde_desktop.h through
// KWin scripts loaded over the session bus (org.kde.kwin.Scripting). One
// script stays loaded and reports every window, its caption and which is
// active to an object of ours, so reading the foreground costs no round
// trip; each action is a short script of its own that reports when done, so
// keys typed after it go where it put the focus.
#include <poll.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/common/utf8.h"
#include "platform/kde/kde_desktop.h"
#include "platform/kde/kde_internal.h"
#include "platform/x11/desktop.h"

namespace {

constexpr int MAX_WINDOWS = 128;
constexpr int MAX_ID = 48;
constexpr int MAX_TEXT_BYTES = 512;
constexpr HWND FIRST_HANDLE = static_cast<HWND>(1) << 30;
constexpr const char* OBJECT_PATH = "/org/tastra/KWinWindows";
constexpr const char* INTERFACE = "org.tastra.KWinWindows";
// KWin answers a script within milliseconds; beyond this it is taken as not there.
constexpr int ANSWER_TIMEOUT_MS = 3000;
// A window just mapped is managed by KWin a moment later.
constexpr int MANAGE_TIMEOUT_MS = 2000;

struct KWinWindow {
    char id[MAX_ID];  // KWin's internalId
    HWND xid;         // the X window of an X client, else 0
    HWND handle;      // ours for a native window
    char caption[MAX_TEXT_BYTES];
    char resourceClass[MAX_TEXT_BYTES];
    char resourceName[MAX_TEXT_BYTES];
};

struct Windows {
    std::unique_ptr<sdbus::IConnection> bus;
    std::unique_ptr<sdbus::IObject> object;
    std::unique_ptr<sdbus::IProxy> scripting;
    std::unique_ptr<sdbus::IProxy> layouts;
    KWinWindow list[MAX_WINDOWS];
    int count;
    char active[MAX_ID];
    bool ready;   // the watcher reported every window
    int done;     // the last action script that reported
    int scripts;  // action scripts run
    HWND nextHandle;
    void (*reported)(HWND active);
};
Windows g_windows;

void Copy(char* dst, size_t capacity, const std::string& src) { std::snprintf(dst, capacity, "%s", src.c_str()); }

KWinWindow* ById(const char* id) {
    for (int i = 0; i < g_windows.count; ++i)
        if (std::strcmp(g_windows.list[i].id, id) == 0) return &g_windows.list[i];
    return nullptr;
}

HWND NameOf(const KWinWindow& w) { return w.xid != 0 ? w.xid : w.handle; }

KWinWindow* ByName(HWND window) {
    if (window == 0) return nullptr;
    for (int i = 0; i < g_windows.count; ++i)
        if (NameOf(g_windows.list[i]) == window) return &g_windows.list[i];
    return nullptr;
}

bool IsHandle(HWND window) { return window >= FIRST_HANDLE && window < (static_cast<HWND>(1) << 32); }

void OnWindow(const std::string& id, const std::string& xid, const std::string& caption,
              const std::string& resourceClass, const std::string& resourceName) {
    KWinWindow* w = ById(id.c_str());
    if (w == nullptr) {
        if (g_windows.count >= MAX_WINDOWS) return;
        w = &g_windows.list[g_windows.count++];
        *w = KWinWindow{};
        Copy(w->id, MAX_ID, id);
        w->handle = g_windows.nextHandle++;
    }
    // Native windows have no X window id ("undefined", "0").
    w->xid = static_cast<HWND>(std::strtoul(xid.c_str(), nullptr, 10));
    Copy(w->caption, MAX_TEXT_BYTES, caption);
    Copy(w->resourceClass, MAX_TEXT_BYTES, resourceClass);
    Copy(w->resourceName, MAX_TEXT_BYTES, resourceName);
}

void OnClosed(const std::string& id) {
    if (KWinWindow* w = ById(id.c_str())) *w = g_windows.list[--g_windows.count];
    if (id == g_windows.active) g_windows.active[0] = 0;
}

// The watcher: the names of KWin 5 (clients) and of Plasma 6 (windows).
constexpr const char* WATCHER = R"(var S = "%s", P = "%s", I = "%s";
function describe(w) {
    callDBus(S, P, I, "Window", String(w.internalId), String(w.windowId), String(w.caption),
             String(w.resourceClass), String(w.resourceName));
}
function follow(w) {
    describe(w);
    w.captionChanged.connect(function () { describe(w); });
}
function activated(w) { callDBus(S, P, I, "Active", w ? String(w.internalId) : ""); }
var list = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < list.length; ++i) follow(list[i]);
(workspace.windowAdded || workspace.clientAdded).connect(follow);
(workspace.windowRemoved || workspace.clientRemoved).connect(function (w) {
    callDBus(S, P, I, "Closed", String(w.internalId));
});
(workspace.windowActivated || workspace.clientActivated).connect(activated);
activated(workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient);
callDBus(S, P, I, "Ready");
)";

// An action on the window KWin knows by `id`, then the report that it ran.
constexpr const char* ACTION = R"(var S = "%s", P = "%s", I = "%s", id = "%s";
var list = workspace.windowList ? workspace.windowList() : workspace.clientList();
for (var i = 0; i < list.length; ++i) {
    var w = list[i];
    if (String(w.internalId) != id) continue;
    %s
}
callDBus(S, P, I, "Done", "%d");
)";

constexpr const char* ACTIVATE =
    "w.minimized = false; if (workspace.activeWindow !== undefined) workspace.activeWindow = w; "
    "else workspace.activeClient = w;";
constexpr const char* MINIMIZE = "w.minimized = true;";
// The desktop and the panels are windows too, but not closeable ones.
constexpr const char* CLOSE = "if (w.closeable) w.closeWindow();";

void ScriptName(char* out, size_t capacity, const char* what) {
    std::snprintf(out, capacity, "tastra-%d-%s", static_cast<int>(getpid()), what);
}

void ScriptPath(char* out, size_t capacity, const char* name) {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    std::snprintf(out, capacity, "%s/%s.js", folder != nullptr && folder[0] != 0 ? folder : "/tmp", name);
}

void Unload(const char* name) {
    char path[512];
    ScriptPath(path, sizeof path, name);
    try {
        bool unloaded = false;
        g_windows.scripting->callMethod("unloadScript")
            .onInterface("org.kde.kwin.Scripting")
            .withTimeout(std::chrono::milliseconds(ANSWER_TIMEOUT_MS))
            .withArguments(std::string(name))
            .storeResultsTo(unloaded);
    } catch (const sdbus::Error&) {
    }
    unlink(path);
}

// Loads and runs a script; KWin reads its file later, so the file stays
// until the script is unloaded.
bool RunScript(const char* name, const char* text) {
    char path[512];
    ScriptPath(path, sizeof path, name);
    FILE* file = std::fopen(path, "w");
    if (file == nullptr) return false;
    bool written = std::fputs(text, file) >= 0;
    if (std::fclose(file) != 0 || !written) return false;
    try {
        int id = -1;
        g_windows.scripting->callMethod("loadScript")
            .onInterface("org.kde.kwin.Scripting")
            .withTimeout(std::chrono::milliseconds(ANSWER_TIMEOUT_MS))
            .withArguments(std::string(path), std::string(name))
            .storeResultsTo(id);
        if (id < 0) return false;
        // Plasma 6 names a script's object /Scripting/Script<id>, KWin 5 /<id>.
        for (const char* format : {"/Scripting/Script%d", "/%d"}) {
            char object[64];
            std::snprintf(object, sizeof object, format, id);
            try {
                auto script = sdbus::createProxy(*g_windows.bus, "org.kde.KWin", object);
                script->callMethod("run")
                    .onInterface("org.kde.kwin.Script")
                    .withTimeout(std::chrono::milliseconds(ANSWER_TIMEOUT_MS));
                return true;
            } catch (const sdbus::Error&) {
            }
        }
    } catch (const sdbus::Error&) {
    }
    return false;
}

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Handles the bus until `until()` holds or the time is up.
template <typename Condition>
bool WaitFor(Condition until, int timeoutMs) {
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        if (!KdeBusDispatch()) return false;
        if (until()) return true;
        long long left = deadline - NowMs();
        if (left <= 0) return false;
        pollfd in{KdeBusFd(), POLLIN, 0};
        poll(&in, 1, static_cast<int>(left));
    }
}

// Runs `body` on the window KWin knows by `id` and waits for its report.
bool Act(const char* id, const char* body) {
    if (g_windows.bus == nullptr) return false;
    int number = ++g_windows.scripts;
    char name[64], text[4096];
    ScriptName(name, sizeof name, "action");
    std::snprintf(text, sizeof text, ACTION, g_windows.bus->getUniqueName().c_str(), OBJECT_PATH, INTERFACE, id, body,
                  number);
    bool ran = RunScript(name, text) && WaitFor([number] { return g_windows.done >= number; }, ANSWER_TIMEOUT_MS);
    Unload(name);
    return ran;
}

// The window of an X window just mapped, once KWin manages it.
KWinWindow* Managed(HWND xid) {
    WaitFor([xid] { return ByName(xid) != nullptr; }, MANAGE_TIMEOUT_MS);
    return ByName(xid);
}

bool Matches(const char* text, const WCHAR* wanted) {
    if (wanted == nullptr) return true;
    char utf8[MAX_TEXT_BYTES * 2];
    Utf16ToUtf8(utf8, sizeof utf8, wanted);
    return std::strcmp(text, utf8) == 0;
}

// KWin's keyboard layouts: absent with a single layout, whose group is 0.
void FollowLayouts() {
    KdeConnection().group = 0;
    try {
        g_windows.layouts = sdbus::createProxy(*g_windows.bus, "org.kde.keyboard", "/Layouts");
        g_windows.layouts->uponSignal("layoutChanged").onInterface("org.kde.KeyboardLayouts").call([](uint32_t index) {
            KdeConnection().group = index;
        });
        g_windows.layouts->finishRegistration();
        uint32_t index = 0;
        g_windows.layouts->callMethod("getLayout")
            .onInterface("org.kde.KeyboardLayouts")
            .withTimeout(std::chrono::milliseconds(ANSWER_TIMEOUT_MS))
            .storeResultsTo(index);
        KdeConnection().group = index;
    } catch (const sdbus::Error&) {
    }
}

}  // namespace

bool KdeWindowsStart() {
    KdeWindowsStop();
    g_windows.nextHandle = FIRST_HANDLE;
    try {
        g_windows.bus = sdbus::createSessionBusConnection();
        g_windows.object = sdbus::createObject(*g_windows.bus, OBJECT_PATH);
        g_windows.object->registerMethod("Window").onInterface(INTERFACE).implementedAs(OnWindow).withNoReply();
        g_windows.object->registerMethod("Closed").onInterface(INTERFACE).implementedAs(OnClosed).withNoReply();
        g_windows.object->registerMethod("Active")
            .onInterface(INTERFACE)
            .implementedAs([](const std::string& id) {
                Copy(g_windows.active, MAX_ID, id);
                KWinWindow* w = ById(g_windows.active);
                if (g_windows.reported != nullptr) g_windows.reported(w != nullptr ? NameOf(*w) : 0);
            })
            .withNoReply();
        g_windows.object->registerMethod("Ready")
            .onInterface(INTERFACE)
            .implementedAs([] { g_windows.ready = true; })
            .withNoReply();
        g_windows.object->registerMethod("Done")
            .onInterface(INTERFACE)
            .implementedAs([](const std::string& number) { g_windows.done = std::atoi(number.c_str()); })
            .withNoReply();
        g_windows.object->finishRegistration();
        g_windows.scripting = sdbus::createProxy(*g_windows.bus, "org.kde.KWin", "/Scripting");
    } catch (const sdbus::Error&) {
        KdeWindowsStop();
        return false;
    }
    FollowLayouts();
    char name[64], text[4096];
    ScriptName(name, sizeof name, "watch");
    std::snprintf(text, sizeof text, WATCHER, g_windows.bus->getUniqueName().c_str(), OBJECT_PATH, INTERFACE);
    if (!RunScript(name, text) || !WaitFor([] { return g_windows.ready; }, ANSWER_TIMEOUT_MS)) {
        KdeWindowsStop();
        return false;
    }
    return true;
}

void KdeWindowsStop() {
    if (g_windows.scripting != nullptr) {
        char name[64];
        ScriptName(name, sizeof name, "watch");
        Unload(name);
    }
    g_windows.scripting.reset();
    g_windows.layouts.reset();
    g_windows.object.reset();
    g_windows.bus.reset();
    g_windows.count = 0;
    g_windows.active[0] = 0;
    g_windows.reported = nullptr;
    g_windows.ready = false;
    g_windows.done = g_windows.scripts = 0;
}

sdbus::IConnection* KdeBus() { return g_windows.bus.get(); }

int KdeBusFd() {
    if (g_windows.bus == nullptr) return -1;
    try {
        return g_windows.bus->getEventLoopPollData().fd;
    } catch (const sdbus::Error&) {
        return -1;
    }
}

bool KdeBusDispatch() {
    if (g_windows.bus == nullptr) return false;
    try {
        while (g_windows.bus->processPendingRequest()) {
        }
        return true;
    } catch (const sdbus::Error&) {
        return false;
    }
}

HWND KdeFindTopLevel(const WCHAR* className, const WCHAR* title) {
    KdeBusDispatch();
    for (int i = 0; i < g_windows.count; ++i) {
        const KWinWindow& w = g_windows.list[i];
        if (!Matches(w.caption, title)) continue;
        if (className != nullptr && !Matches(w.resourceClass, className) && !Matches(w.resourceName, className))
            continue;
        return NameOf(w);
    }
    // Unmapped X windows (a hidden dialog) are no windows of KWin's.
    return X11FindTopLevel(className, title);
}

HWND KdeActiveWindow() {
    if (!KdeBusDispatch()) return -1;
    KWinWindow* w = g_windows.active[0] != 0 ? ById(g_windows.active) : nullptr;
    return w != nullptr ? NameOf(*w) : 0;
}

HWND KdeKeyboardTarget() { return KdeActiveWindow(); }

bool KdeActivate(HWND window) {
    KdeBusDispatch();
    KWinWindow* w = ByName(window);
    return w != nullptr && Act(w->id, ACTIVATE);
}

bool KdeShowAndActivate(HWND window) {
    KdeBusDispatch();
    if (KWinWindow* w = ByName(window)) return Act(w->id, ACTIVATE);
    if (IsHandle(window) || !X11ShowAndActivate(window)) return false;
    KWinWindow* w = Managed(window);
    return w != nullptr && Act(w->id, ACTIVATE);
}

bool KdeHide(HWND window) {
    if (!IsHandle(window)) return X11Hide(window);
    KdeBusDispatch();
    KWinWindow* w = ByName(window);
    return w != nullptr && Act(w->id, MINIMIZE);
}

bool KdeWindowExists(HWND window) {
    if (!IsHandle(window)) return X11WindowExists(window);
    KdeBusDispatch();
    return ByName(window) != nullptr;
}

void KdeRequestClose(HWND window) {
    KdeBusDispatch();
    if (KWinWindow* w = ByName(window))
        Act(w->id, CLOSE);
    else if (!IsHandle(window))
        X11RequestClose(window);
}

// KWin keeps an X client's own activation request from stealing the focus.
void KdeActivateDialog(HWND dialog) {
    if (KWinWindow* w = Managed(dialog)) Act(w->id, ACTIVATE);
}

void KdeWatchActiveWindow(void (*reported)(HWND active)) { g_windows.reported = reported; }
