// Implements tests/linux/bluez_mock.h.
#include "tests/linux/bluez_mock.h"

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<sdbus::IConnection> g_bus;
}  // namespace

bool OpenMockBus() {
    if (std::getenv("DBUS_SYSTEM_BUS_ADDRESS") == nullptr) return false;
    g_bus = sdbus::createSystemBusConnection();
    MockCall("/", "org.freedesktop.DBus.Mock", "Reset");
    return true;
}

void CloseMockBus() { g_bus.reset(); }

sdbus::IConnection& MockBus() { return *g_bus; }

std::string MockDevicePath(const std::string& address) {
    std::string path = std::string(MOCK_ADAPTER_PATH) + "/dev_" + address;
    for (char& c : path)
        if (c == ':') c = '_';
    return path;
}

void MockAddAdapter(const char* name) { MockCall("/", MOCK_INTERFACE, "AddAdapter", "hci0", name); }

void MockSetAdapter(const char* property, bool on) {
    MockCall(MOCK_ADAPTER_PATH, "org.freedesktop.DBus.Properties", "Set", "org.bluez.Adapter1", property,
             sdbus::Variant(on));
}

void MockAddDevice(const std::string& address, const std::string& alias) {
    MockCall("/", MOCK_INTERFACE, "AddDevice", "hci0", address, alias);
}

void MockPairDevice(const std::string& address, const std::string& alias, const std::vector<std::string>* uuids) {
    MockAddDevice(address, alias);
    MockCall("/", MOCK_INTERFACE, "PairDevice", "hci0", address, int32_t{0x5a020c});
    if (uuids != nullptr)
        MockCall(MockDevicePath(address), "org.freedesktop.DBus.Properties", "Set", "org.bluez.Device1", "UUIDs",
                 sdbus::Variant(*uuids));
}

void MockAddDeviceObject(const std::string& path, const std::map<std::string, sdbus::Variant>& properties) {
    MockCall("/", "org.freedesktop.DBus.Mock", "AddObject", path, "org.bluez.Device1", properties,
             std::vector<sdbus::Struct<std::string, std::string, std::string, std::string>>{});
}
