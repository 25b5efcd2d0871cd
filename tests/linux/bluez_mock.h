// BlueZ's stand-in (python3-dbusmock's bluez5 template on the private system
// bus that tests/linux/with-bluez starts), as the tests set it up.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <string>
#include <vector>

constexpr char MOCK_INTERFACE[] = "org.bluez.Mock";
constexpr char MOCK_ADAPTER_PATH[] = "/org/bluez/hci0";

// A connection to the bus that DBUS_SYSTEM_BUS_ADDRESS names now, with the
// stand-in emptied; false outside with-bluez.
bool OpenMockBus();
void CloseMockBus();
sdbus::IConnection& MockBus();

template <typename... Args>
void MockCall(const std::string& path, const char* interface, const char* method, const Args&... args) {
    sdbus::createProxy(MockBus(), "org.bluez", path)->callMethod(method).onInterface(interface).withArguments(args...);
}

template <typename T>
T MockGet(const std::string& path, const char* interface, const char* property) {
    sdbus::Variant value;
    sdbus::createProxy(MockBus(), "org.bluez", path)
        ->callMethod("Get")
        .onInterface("org.freedesktop.DBus.Properties")
        .withArguments(interface, property)
        .storeResultsTo(value);
    return value.get<T>();
}

std::string MockDevicePath(const std::string& address);
void MockAddAdapter(const char* name);
void MockSetAdapter(const char* property, bool on);
// A device seen, not paired.
void MockAddDevice(const std::string& address, const std::string& alias);
// Pairing gives the template's own services; `uuids` replaces them when given.
void MockPairDevice(const std::string& address, const std::string& alias,
                    const std::vector<std::string>* uuids = nullptr);
// A device object with exactly these properties, at `path`.
void MockAddDeviceObject(const std::string& path, const std::map<std::string, sdbus::Variant>& properties);
