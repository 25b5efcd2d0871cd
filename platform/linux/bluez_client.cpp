// Implements platform/linux/bluez_client.h: BlueZ's objects read and written through sdbus-c++.
#include "platform/linux/bluez_client.h"

#include "platform/common/utf8.h"

#include <sdbus-c++/sdbus-c++.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Properties = std::map<std::string, sdbus::Variant>;
using Interfaces = std::map<std::string, Properties>;
using ManagedObjects = std::map<sdbus::ObjectPath, Interfaces>;

const char kService[] = "org.bluez";
const char kAdapterInterface[] = "org.bluez.Adapter1";
const char kDeviceInterface[] = "org.bluez.Device1";
const char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
const char kObjectManagerInterface[] = "org.freedesktop.DBus.ObjectManager";
// BlueZ answers from memory at once; waiting longer only freezes the dialog
// behind a stuck daemon.
constexpr std::chrono::milliseconds kCallTimeout{1000};

ManagedObjects FetchObjects(sdbus::IConnection& bus) {
    ManagedObjects objects;
    auto root = sdbus::createProxy(bus, kService, "/");
    root->callMethod("GetManagedObjects")
        .onInterface(kObjectManagerInterface)
        .withTimeout(kCallTimeout)
        .storeResultsTo(objects);
    return objects;
}

template <typename T>
bool ReadProperty(const Properties& properties, const char* name, T* value) {
    auto found = properties.find(name);
    if (found == properties.end() || !found->second.containsValueOfType<T>()) return false;
    *value = found->second.get<T>();
    return true;
}

const Properties* InterfaceOf(const Interfaces& interfaces, const char* name) {
    auto found = interfaces.find(name);
    return found != interfaces.end() ? &found->second : nullptr;
}

const ManagedObjects::value_type* FirstAdapter(const ManagedObjects& objects) {
    for (const auto& object : objects)
        if (InterfaceOf(object.second, kAdapterInterface) != nullptr) return &object;
    return nullptr;
}

void SetAdapterFlag(sdbus::IConnection& bus, const std::string& adapter, const char* name, bool on) {
    auto proxy = sdbus::createProxy(bus, kService, adapter);
    proxy->callMethod("Set")
        .onInterface(kPropertiesInterface)
        .withTimeout(kCallTimeout)
        .withArguments(kAdapterInterface, name, sdbus::Variant(on));
}

bool CopyText(char* out, size_t capacity, const std::string& text) {
    if (text.size() >= capacity) return false;
    memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

// false for a device that is not paired or has no usable address.
bool FillDevice(const Properties& properties, BluezDevice* device) {
    bool paired = false;
    std::string address, name;
    std::vector<std::string> uuids;
    if (!ReadProperty(properties, "Paired", &paired) || !paired) return false;
    if (!ReadProperty(properties, "Address", &address) || !CopyText(device->address, BLUEZ_ADDRESS_CHARS, address))
        return false;
    if (!ReadProperty(properties, "Name", &name)) ReadProperty(properties, "Alias", &name);
    Utf8ToUtf16(device->name, MAX_TEXT, name.data(), name.size());
    device->uuidCount = 0;
    ReadProperty(properties, "UUIDs", &uuids);
    for (const std::string& uuid : uuids) {
        if (device->uuidCount == BLUEZ_MAX_UUIDS) break;
        if (CopyText(device->uuids[device->uuidCount], BLUEZ_UUID_CHARS, uuid)) ++device->uuidCount;
    }
    return true;
}

}  // namespace

bool BluezReadRadio(BluezRadio* radio) {
    try {
        auto bus = sdbus::createSystemBusConnection();
        ManagedObjects objects = FetchObjects(*bus);
        const auto* adapter = FirstAdapter(objects);
        if (adapter == nullptr) return false;
        const Properties& properties = *InterfaceOf(adapter->second, kAdapterInterface);
        BluezRadio read{false, false};
        if (!ReadProperty(properties, "Powered", &read.powered)) return false;
        ReadProperty(properties, "Discoverable", &read.discoverable);
        *radio = read;
        return true;
    } catch (const sdbus::Error&) {
        return false;
    }
}

bool BluezWriteRadio(const BluezRadio& radio) {
    try {
        auto bus = sdbus::createSystemBusConnection();
        ManagedObjects objects = FetchObjects(*bus);
        const auto* adapter = FirstAdapter(objects);
        if (adapter == nullptr) return false;
        SetAdapterFlag(*bus, adapter->first, "Powered", radio.powered);
        if (radio.powered) SetAdapterFlag(*bus, adapter->first, "Discoverable", radio.discoverable);
        return true;
    } catch (const sdbus::Error&) {
        return false;
    }
}

int BluezListPairedDevices(BluezDevice* devices, int capacity) {
    try {
        auto bus = sdbus::createSystemBusConnection();
        ManagedObjects objects = FetchObjects(*bus);
        int count = 0;
        for (const auto& object : objects) {
            if (count == capacity) break;
            const Properties* properties = InterfaceOf(object.second, kDeviceInterface);
            if (properties != nullptr && FillDevice(*properties, &devices[count])) ++count;
        }
        return count;
    } catch (const sdbus::Error&) {
        return -1;
    }
}
