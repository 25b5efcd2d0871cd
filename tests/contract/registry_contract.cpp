// platform/registry.h on the contract machine: its layout, the path rule,
// enumeration, typed values, buffer sizes and handles.
#include <set>
#include <string>
#include <vector>

#include "platform/bluetooth.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "tests/contract/machine.h"

namespace {

const char16_t kDevices[] = u"Software\\Microsoft\\Bluetooth\\Device";

using RegistryContract = MachineTest;

HKEY Open(HKEY parent, const WCHAR* path) {
    HKEY key = 0;
    return RegOpenKeyExW(parent, path, 0, 0, &key) == ERROR_SUCCESS ? key : 0;
}

std::vector<std::u16string> Subkeys(HKEY key) {
    std::vector<std::u16string> names;
    WCHAR name[MAX_TEXT];
    for (DWORD i = 0;; ++i) {
        DWORD chars = MAX_TEXT;
        if (RegEnumKeyExW(key, i, name, &chars) != ERROR_SUCCESS) break;
        EXPECT_EQ(chars, static_cast<DWORD>(WLen(name)));
        names.push_back(name);
    }
    return names;
}

std::u16string Text(HKEY key, const WCHAR* value) {
    WCHAR text[MAX_TEXT] = {};
    DWORD type = REG_NONE, bytes = sizeof text;
    if (RegQueryValueExW(key, value, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS) return u"<none>";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, (WLen(text) + 1) * sizeof(WCHAR)) << "a text value comes with its terminator";
    return text;
}

TEST_F(RegistryContract, TheMachineIsLaidOutAsTheCoreReadsIt) {
    HKEY active = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
    ASSERT_NE(active, 0);
    std::set<std::u16string> names;
    for (const std::u16string& driver : Subkeys(active)) {
        HKEY key = Open(active, driver.c_str());
        ASSERT_NE(key, 0);
        names.insert(Text(key, u"Name"));
        EXPECT_EQ(Text(key, u"Key").rfind(u"Drivers\\", 0), 0u);
        RegCloseKey(key);
    }
    EXPECT_EQ(names, (std::set<std::u16string>{u"COM1:", u"COM4:"}));
    RegCloseKey(active);

    HKEY devices = Open(HKEY_LOCAL_MACHINE, kDevices);
    ASSERT_NE(devices, 0);
    EXPECT_EQ(Subkeys(devices), (std::vector<std::u16string>{u"0A1B2C3D4E5F", u"112233445566"}));
    HKEY terminal = Open(devices, u"0A1B2C3D4E5F");
    EXPECT_EQ(Text(terminal, u"name"), u"Terminal");
    HKEY service = Open(terminal, (std::u16string(u"Services\\") + kSerialPortService).c_str());
    ASSERT_NE(service, 0);
    DWORD channel = 0, type = REG_NONE, bytes = sizeof channel;
    EXPECT_EQ(RegQueryValueExW(service, u"channel", &type, reinterpret_cast<BYTE*>(&channel), &bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, sizeof(DWORD));
    EXPECT_TRUE((channel >= 1 && channel <= 30) || channel == RFCOMM_CHANNEL_MULTIPLE)
        << channel << ": a channel, or the one the stack finds when it connects";
    HKEY phone = Open(devices, u"112233445566\\Services");
    ASSERT_NE(phone, 0);
    EXPECT_EQ(Subkeys(phone), (std::vector<std::u16string>{u"00001105-0000-1000-8000-00805f9b34fb"}));
    for (HKEY key : {service, terminal, phone, devices})
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryContract, PathsFollowOneRuleEverywhere) {
    struct Case {
        const char16_t* path;
        LONG result;
    };
    const Case cases[] = {
        {u"Drivers\\Active", ERROR_SUCCESS},
        {u"dRIVERS\\aCTIVE", ERROR_SUCCESS},
        {u"Drivers\\Active\\", ERROR_SUCCESS},
        {u"Drivers\\\\Active", ERROR_FILE_NOT_FOUND},
        {u"\\Drivers\\Active", ERROR_FILE_NOT_FOUND},
        {u"Drivers\\Active\\\\", ERROR_FILE_NOT_FOUND},
        {u"Drivers\\Activ", ERROR_FILE_NOT_FOUND},
        {u"\\", ERROR_FILE_NOT_FOUND},
        {u"", ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        HKEY key = 777;
        LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, c.path, 0, 0, &key);
        std::string shown(c.path, c.path + WLen(c.path));
        EXPECT_EQ(result, c.result) << shown;
        if (result == ERROR_SUCCESS) {
            EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS) << shown;
        } else {
            EXPECT_EQ(key, 777) << shown << ": a failed open leaves the result alone";
        }
    }
    HKEY drivers = Open(HKEY_LOCAL_MACHINE, u"Drivers");
    ASSERT_NE(drivers, 0);
    HKEY again = Open(drivers, nullptr);
    ASSERT_NE(again, 0);
    EXPECT_EQ(Subkeys(again), std::vector<std::u16string>{u"Active"}) << "a null path opens the key again";
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExW(drivers, u"Active", 1, 0, &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExW(drivers, u"Active", 0, 0, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(again);
    RegCloseKey(drivers);
}

TEST_F(RegistryContract, BuffersThatAreTooSmallAreToldTheSizeTheyNeed) {
    HKEY devices = Open(HKEY_LOCAL_MACHINE, kDevices);
    ASSERT_NE(devices, 0);
    WCHAR name[13];
    DWORD chars = 12;  // one short of the 12 digits and the terminator
    EXPECT_EQ(RegEnumKeyExW(devices, 0, name, &chars), ERROR_MORE_DATA);
    chars = 13;
    EXPECT_EQ(RegEnumKeyExW(devices, 0, name, &chars), ERROR_SUCCESS);
    EXPECT_EQ(chars, 12u);
    chars = 13;
    EXPECT_EQ(RegEnumKeyExW(devices, 2, name, &chars), ERROR_NO_MORE_ITEMS);

    HKEY terminal = Open(devices, u"0a1b2c3d4e5f");
    ASSERT_NE(terminal, 0) << "key names match without regard to case";
    const DWORD needed = sizeof(u"Terminal");
    DWORD type = REG_NONE, bytes = 0;
    EXPECT_EQ(RegQueryValueExW(terminal, u"NAME", &type, nullptr, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, needed);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    BYTE small[4];
    bytes = sizeof small;
    EXPECT_EQ(RegQueryValueExW(terminal, u"name", nullptr, small, &bytes), ERROR_MORE_DATA);
    EXPECT_EQ(bytes, needed);
    bytes = sizeof small;
    EXPECT_EQ(RegQueryValueExW(terminal, u"nonesuch", &type, small, &bytes), ERROR_FILE_NOT_FOUND);
    RegCloseKey(terminal);
    RegCloseKey(devices);
}

TEST_F(RegistryContract, AClosedKeyIsNoKey) {
    HKEY active = Open(HKEY_LOCAL_MACHINE, u"Drivers\\Active");
    ASSERT_NE(active, 0);
    EXPECT_EQ(RegCloseKey(active), ERROR_SUCCESS);
    WCHAR name[MAX_TEXT];
    DWORD chars = MAX_TEXT, bytes = 0;
    HKEY child = 0;
    EXPECT_EQ(RegEnumKeyExW(active, 0, name, &chars), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExW(active, u"Name", nullptr, nullptr, &bytes), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(active, u"01", 0, 0, &child), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(active), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

}  // namespace
