// Implements platform/portal/portal_session.h through sdbus-c++.
#include "platform/portal/portal_session.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

using Options = std::map<std::string, sdbus::Variant>;

const char kPortal[] = "org.freedesktop.portal.Desktop";
const char kPortalPath[] = "/org/freedesktop/portal/desktop";
const char kRemoteDesktop[] = "org.freedesktop.portal.RemoteDesktop";
const char kRequest[] = "org.freedesktop.portal.Request";
const char kSession[] = "org.freedesktop.portal.Session";
constexpr uint32_t kKeyboard = 1;
// A kept consent lasts until the user revokes it.
constexpr uint32_t kPersistUntilRevoked = 2;
// Calls that the portal answers at once (the consent comes as a signal).
constexpr std::chrono::milliseconds kCallTimeout{5000};

struct PortalState {
    std::unique_ptr<sdbus::IConnection> bus;
    std::unique_ptr<sdbus::IProxy> portal;
    std::unique_ptr<sdbus::IProxy> session;
    sdbus::ObjectPath sessionPath;
    uint32_t version = 0;
    int requests = 0;
    bool active = false;
};
PortalState g_portal;

struct Response {
    bool arrived = false;
    uint32_t code = 2;
    Options results;
};

// Runs the bus until `done` or the deadline; false at the deadline.
template <typename Done>
bool RunUntil(Done done, std::chrono::steady_clock::time_point deadline) {
    while (!done()) {
        while (g_portal.bus->processPendingRequest())
            if (done()) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        sdbus::IConnection::PollData data = g_portal.bus->getEventLoopPollData();
        pollfd fd{data.fd, static_cast<short>(data.events), 0};
        int wait = static_cast<int>(left.count());
        if (data.timeout_usec != UINT64_MAX && data.timeout_usec / 1000 < static_cast<uint64_t>(wait))
            wait = static_cast<int>(data.timeout_usec / 1000);
        poll(&fd, 1, wait);
    }
    return true;
}

// The portal's reply to a request comes as a Response signal on an object
// whose path the caller can know ahead, so the signal is never missed.
std::string RequestPath(const std::string& token) {
    std::string sender = g_portal.bus->getUniqueName();
    if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
    for (char& c : sender)
        if (c == '.') c = '_';
    return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

// Calls `method` with `options` (and the session first, unless creating it)
// and waits until `deadline` for its response. A request left unanswered is
// closed, which takes down the portal's question.
bool Ask(const char* method, Options options, const std::string& parent, std::chrono::steady_clock::time_point deadline,
         Response* response) {
    std::string token = "tastra" + std::to_string(getpid()) + "_" + std::to_string(++g_portal.requests);
    options["handle_token"] = sdbus::Variant(token);
    auto request = sdbus::createProxy(*g_portal.bus, kPortal, RequestPath(token));
    request->uponSignal("Response").onInterface(kRequest).call([response](uint32_t code, const Options& results) {
        response->arrived = true;
        response->code = code;
        response->results = results;
    });
    request->finishRegistration();
    auto call = g_portal.portal->createMethodCall(kRemoteDesktop, method);
    if (std::strcmp(method, "CreateSession") != 0) call << g_portal.sessionPath;
    if (std::strcmp(method, "Start") == 0) call << parent;
    call << options;
    g_portal.portal->callMethod(call, std::chrono::duration_cast<std::chrono::microseconds>(kCallTimeout).count());
    if (RunUntil([response] { return response->arrived; }, deadline)) return true;
    request->callMethod("Close").onInterface(kRequest).dontExpectReply();
    return false;
}

bool ReadToken(char* token, int capacity) {
    char path[512];
    if (!PortalTokenPath(path, sizeof path)) return false;
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    bool read = std::fgets(token, capacity, file) != nullptr;
    std::fclose(file);
    if (!read) return false;
    token[std::strcspn(token, "\r\n")] = 0;
    return token[0] != 0;
}

// The folder is the user's alone: the token stands for a consent.
void KeepToken(const std::string& token) {
    char path[512];
    if (!PortalTokenPath(path, sizeof path)) return;
    char* slash = std::strrchr(path, '/');
    for (char* p = path + 1; p < slash; ++p) {
        if (*p != '/') continue;
        *p = 0;
        mkdir(path, 0700);
        *p = '/';
    }
    *slash = 0;
    mkdir(path, 0700);
    *slash = '/';
    std::string temporary = std::string(path) + ".new";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) return;
    bool written = std::fprintf(file, "%s\n", token.c_str()) > 0;
    if (std::fclose(file) == 0 && written) std::rename(temporary.c_str(), path);
}

PortalAnswer Fail(PortalAnswer answer) {
    PortalSessionClose();
    return answer;
}

}  // namespace

bool PortalTokenPath(char* path, int capacity) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    int n;
    // Relative XDG paths are to be ignored.
    if (state != nullptr && state[0] == '/')
        n = std::snprintf(path, capacity, "%s/tastra/portal-restore-token", state);
    else if (home != nullptr && home[0] != 0)
        n = std::snprintf(path, capacity, "%s/.local/state/tastra/portal-restore-token", home);
    else
        return false;
    return n > 0 && n < capacity;
}

PortalAnswer PortalSessionStart(int consentMs) {
    PortalSessionClose();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(consentMs);
    try {
        g_portal.bus = sdbus::createSessionBusConnection();
        g_portal.portal = sdbus::createProxy(*g_portal.bus, kPortal, kPortalPath);
        g_portal.portal->finishRegistration();
        uint32_t devices =
            g_portal.portal->getProperty("AvailableDeviceTypes").onInterface(kRemoteDesktop).get<uint32_t>();
        g_portal.version = g_portal.portal->getProperty("version").onInterface(kRemoteDesktop).get<uint32_t>();
        if ((devices & kKeyboard) == 0) return Fail(PortalAnswer::ABSENT);

        Response created;
        Options options{{"session_handle_token", sdbus::Variant(std::string("tastra"))}};
        if (!Ask("CreateSession", options, "", deadline, &created) || created.code != 0 ||
            !created.results.count("session_handle"))
            return Fail(PortalAnswer::ABSENT);
        // The portal hands the path as a string.
        g_portal.sessionPath = sdbus::ObjectPath(created.results["session_handle"].get<std::string>());
        g_portal.session = sdbus::createProxy(*g_portal.bus, kPortal, g_portal.sessionPath);
        g_portal.session->uponSignal("Closed").onInterface(kSession).call(
            [](const Options&) { g_portal.active = false; });
        g_portal.session->finishRegistration();

        Response selected;
        Options select{{"types", sdbus::Variant(kKeyboard)}};
        char token[512];
        if (g_portal.version >= 2) {
            select["persist_mode"] = sdbus::Variant(kPersistUntilRevoked);
            if (ReadToken(token, sizeof token)) select["restore_token"] = sdbus::Variant(std::string(token));
        }
        if (!Ask("SelectDevices", select, "", deadline, &selected) || selected.code != 0)
            return Fail(PortalAnswer::ABSENT);

        // The consent: response 1 is the user's no.
        Response started;
        if (!Ask("Start", Options{}, "", deadline, &started)) return Fail(PortalAnswer::DECLINED);
        if (started.code == 1) return Fail(PortalAnswer::DECLINED);
        uint32_t granted = 0;
        if (started.results.count("devices")) granted = started.results["devices"].get<uint32_t>();
        if (started.code != 0 || (granted & kKeyboard) == 0) return Fail(PortalAnswer::DECLINED);
        if (started.results.count("restore_token")) KeepToken(started.results["restore_token"].get<std::string>());
        g_portal.active = true;
        return PortalAnswer::GRANTED;
    } catch (const sdbus::Error&) {
        return Fail(PortalAnswer::ABSENT);
    }
}

void PortalSessionClose() {
    if (g_portal.session != nullptr) {
        try {
            g_portal.session->callMethod("Close").onInterface(kSession).dontExpectReply();
        } catch (const sdbus::Error&) {
        }
    }
    g_portal.session.reset();
    g_portal.portal.reset();
    g_portal.bus.reset();
    g_portal = PortalState{};
}

bool PortalSessionActive() { return g_portal.active; }

bool PortalSendKey(uint32_t evdevKey, bool pressed, void (*taken)()) {
    if (!g_portal.active) return false;
    try {
        g_portal.portal->callMethodAsync("NotifyKeyboardKeycode")
            .onInterface(kRemoteDesktop)
            .withArguments(g_portal.sessionPath, Options{}, static_cast<int32_t>(evdevKey), pressed ? 1u : 0u)
            .uponReplyInvoke([taken](const sdbus::Error*) { taken(); });
        return true;
    } catch (const sdbus::Error&) {
        g_portal.active = false;
        return false;
    }
}

int PortalBusFd() { return g_portal.bus != nullptr ? g_portal.bus->getEventLoopPollData().fd : -1; }

bool PortalProcessEvents() {
    if (g_portal.bus == nullptr) return false;
    try {
        while (g_portal.bus->processPendingRequest()) {
        }
        return true;
    } catch (const sdbus::Error&) {
        g_portal.active = false;
        return false;
    }
}
