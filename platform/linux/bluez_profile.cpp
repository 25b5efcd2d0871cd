// Implements platform/linux/bluez_profile.h: a Serial Port client profile per link, through sdbus-c++.
#include "platform/linux/bluez_profile.h"

#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include <sdbus-c++/sdbus-c++.h>

namespace {

using Properties = std::map<std::string, sdbus::Variant>;
using ManagedObjects = std::map<sdbus::ObjectPath, std::map<std::string, Properties>>;
using Clock = std::chrono::steady_clock;

const char kService[] = "org.bluez";
const char kSerialPortUuid[] = "00001101-0000-1000-8000-00805f9b34fb";
const char kProfilePath[] = "/org/tastra/serial_port";
const char kProfileInterface[] = "org.bluez.Profile1";
const char kDeviceInterface[] = "org.bluez.Device1";
// BlueZ answers everything but a connect from memory at once.
constexpr std::chrono::milliseconds kCallTimeout{1000};

struct Link {
    std::unique_ptr<sdbus::IConnection> bus;
    std::unique_ptr<sdbus::IObject> profile;
    bool registered;
    int socket;
};

struct ConnectState {
    bool answered;
    bool refused;
};

struct ProfileState {
    Link links[BLUEZ_MAX_LINKS];
    int connectWaitMs = BLUEZ_CONNECT_WAIT_MS;
};
ProfileState g_profile;

bool IsOpen(int link) { return link >= 0 && link < BLUEZ_MAX_LINKS && g_profile.links[link].bus != nullptr; }

void Release(Link& link) {
    if (link.registered) {
        try {
            sdbus::createProxy(*link.bus, kService, "/org/bluez")
                ->callMethod("UnregisterProfile")
                .onInterface("org.bluez.ProfileManager1")
                .withTimeout(kCallTimeout)
                .withArguments(sdbus::ObjectPath(kProfilePath));
        } catch (const sdbus::Error&) {
            // BlueZ gone: it forgets the profile with our connection below.
        }
    }
    if (link.socket >= 0) close(link.socket);
    link.profile.reset();
    link.bus.reset();
    link.registered = false;
    link.socket = -1;
}

// The object path of the device with that address; empty when BlueZ has none.
std::string DevicePath(sdbus::IConnection& bus, const char* address) {
    ManagedObjects objects;
    sdbus::createProxy(bus, kService, "/")
        ->callMethod("GetManagedObjects")
        .onInterface("org.freedesktop.DBus.ObjectManager")
        .withTimeout(kCallTimeout)
        .storeResultsTo(objects);
    for (const auto& object : objects) {
        auto device = object.second.find(kDeviceInterface);
        if (device == object.second.end()) continue;
        auto found = device->second.find("Address");
        if (found == device->second.end() || !found->second.containsValueOfType<std::string>()) continue;
        if (strcasecmp(found->second.get<std::string>().c_str(), address) == 0) return object.first;
    }
    return {};
}

// BlueZ calls NewConnection with the socket, then answers ConnectProfile.
void ExportProfile(Link& link, const std::string& device) {
    link.profile = sdbus::createObject(*link.bus, kProfilePath);
    link.profile->registerMethod("NewConnection")
        .onInterface(kProfileInterface)
        .implementedAs([&link, device](const sdbus::ObjectPath& from, sdbus::UnixFd fd, const Properties&) {
            if (from != device || link.socket >= 0)
                throw sdbus::Error("org.bluez.Error.Rejected", "no connection was asked for");
            link.socket = fd.release();
        });
    // Only reached while connecting; afterwards the socket itself tells of a link that ends.
    link.profile->registerMethod("RequestDisconnection")
        .onInterface(kProfileInterface)
        .implementedAs([](const sdbus::ObjectPath&) {});
    link.profile->registerMethod("Release").onInterface(kProfileInterface).implementedAs([] {});
    link.profile->finishRegistration();
}

void RegisterProfile(Link& link) {
    Properties options = {
        {"Name", sdbus::Variant(std::string("Tastra serial port"))},
        {"Role", sdbus::Variant(std::string("client"))},
        {"AutoConnect", sdbus::Variant(false)},
    };
    sdbus::createProxy(*link.bus, kService, "/org/bluez")
        ->callMethod("RegisterProfile")
        .onInterface("org.bluez.ProfileManager1")
        .withTimeout(kCallTimeout)
        .withArguments(sdbus::ObjectPath(kProfilePath), std::string(kSerialPortUuid), options);
    link.registered = true;
}

// Processes the bus until BlueZ has answered, or the wait is over.
void AwaitAnswer(sdbus::IConnection& bus, const ConnectState& state, Clock::time_point deadline) {
    while (!state.answered) {
        while (!state.answered && bus.processPendingRequest()) {
        }
        if (state.answered) return;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        sdbus::IConnection::PollData data = bus.getEventLoopPollData();
        pollfd p = {data.fd, data.events, 0};
        if (auto timeout = data.getRelativeTimeout())
            left =
                std::min<long long>(left, std::chrono::duration_cast<std::chrono::milliseconds>(*timeout).count() + 1);
        poll(&p, 1, static_cast<int>(left));
    }
}

bool Connect(Link& link, const std::string& device) {
    ConnectState state{false, false};
    auto proxy = sdbus::createProxy(*link.bus, kService, device);
    auto wait = std::chrono::milliseconds(g_profile.connectWaitMs);
    proxy->callMethodAsync("ConnectProfile")
        .onInterface(kDeviceInterface)
        .withTimeout(wait)
        .withArguments(std::string(kSerialPortUuid))
        .uponReplyInvoke([&state](const sdbus::Error* error) {
            state.answered = true;
            state.refused = error != nullptr;
        });
    AwaitAnswer(*link.bus, state, Clock::now() + wait);
    return state.answered && !state.refused && link.socket >= 0;
}

}  // namespace

int BluezOpenSerialLink(const char* address) {
    int free = 0;
    while (free < BLUEZ_MAX_LINKS && IsOpen(free))
        ++free;
    if (free == BLUEZ_MAX_LINKS || address == nullptr) return -1;
    Link& link = g_profile.links[free];
    link.registered = false;
    link.socket = -1;
    try {
        link.bus = sdbus::createSystemBusConnection();
        std::string device = DevicePath(*link.bus, address);
        if (!device.empty()) {
            ExportProfile(link, device);
            RegisterProfile(link);
            if (Connect(link, device)) {
                int flags = fcntl(link.socket, F_GETFL);
                if (flags >= 0 && fcntl(link.socket, F_SETFL, flags | O_NONBLOCK) == 0) return free;
            }
        }
    } catch (const sdbus::Error&) {
    }
    if (link.bus != nullptr) Release(link);
    return -1;
}

int BluezSerialLinkSocket(int link) { return IsOpen(link) ? g_profile.links[link].socket : -1; }

void BluezCloseSerialLink(int link) {
    if (IsOpen(link)) Release(g_profile.links[link]);
}

void UseBluezConnectWait(int ms) { g_profile.connectWaitMs = ms > 0 ? ms : BLUEZ_CONNECT_WAIT_MS; }
