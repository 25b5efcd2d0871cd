// The emulated registry is the ground every port catalogue test stands on,
// so its handle rules and its loader are checked here.
#include <gtest/gtest.h>

#include "platform/emulated/emu_registry.h"
#include "platform/registry.h"
#include "tests/support/emulated_test.h"

namespace {
using Names = std::vector<std::u16string>;

class EmuRegistryTest : public EmulatedTest {};

std::vector<BYTE> ValueData(const std::u16string& path, const std::u16string& name, DWORD expectedType) {
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(EmuRegGetValue(path, name, &type, &data)) << "no value";
    EXPECT_EQ(type, expectedType);
    return data;
}

std::string LoadError(const std::string& text) {
    std::string error;
    EXPECT_FALSE(EmuRegLoadText(text, &error)) << text;
    return error;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
}  // namespace

TEST_F(EmuRegistryTest, HandlesAreCountedAndCloseOnce) {
    EmuRegCreateKey(u"A\\B");
    HKEY a = 0;
    HKEY b = 0;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"a", 0, 0, &a), ERROR_SUCCESS);  // names ignore case
    ASSERT_EQ(RegOpenKeyExW(a, u"B", 0, 0, &b), ERROR_SUCCESS);
    EXPECT_NE(a, b);
    EXPECT_EQ(EmuRegOpenKeyCount(), 2);
    // What a closed key answers runs in tests/contract.
    EXPECT_EQ(RegCloseKey(a), ERROR_SUCCESS);
    EXPECT_NE(RegCloseKey(0x4242), ERROR_SUCCESS) << "never opened";
    EXPECT_EQ(EmuRegOpenKeyCount(), 1);
    EXPECT_EQ(RegCloseKey(b), ERROR_SUCCESS);
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);
}

TEST_F(EmuRegistryTest, OpenFailsForMissingAndDeniedPaths) {
    EmuRegCreateKey(u"A\\B");
    EmuRegDenyOpen(u"A\\Locked");
    HKEY key = 77;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A\\C", 0, 0, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A\\Locked", 0, 0, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, 77) << "a failed open leaves the result alone";
    EXPECT_EQ(EmuRegOpenKeyCount(), 0);
}

TEST_F(EmuRegistryTest, EnumerationKeepsCreationOrder) {
    EmuRegCreateKey(u"P\\zeta");
    EmuRegCreateKey(u"P\\Alpha");
    EmuRegDenyOpen(u"P\\mid");
    HKEY p = 0;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"P", 0, 0, &p), ERROR_SUCCESS);
    WCHAR name[8];
    Names names;
    for (DWORD i = 0;; ++i) {
        DWORD chars = 8;
        if (RegEnumKeyExW(p, i, name, &chars) != ERROR_SUCCESS) break;
        names.emplace_back(name, chars);
    }
    EXPECT_EQ(names, (Names{u"zeta", u"Alpha", u"mid"}));
    RegCloseKey(p);
}

// The fuzzers build by number: the same store as by path, components split
// and matched the same way, and the same ordering of siblings.
TEST_F(EmuRegistryTest, KeysByNumberAreTheKeysByPath) {
    int a = EmuRegCreateKey(u"A\\B");
    EXPECT_EQ(EmuRegCreateKey(u"\\a\\b\\"), a) << "empty components and case";
    int c = EmuRegCreateKeyAt(a, u"\\C\\\\D");
    EXPECT_EQ(EmuRegCreateKey(u"A\\B\\C\\D"), c);
    EXPECT_EQ(EmuRegCreateKeyAt(a, u"\\"), a);
    EmuRegCreateKeyAt(a, u"E");
    EXPECT_EQ(EmuRegSubkeys(u"A\\B"), (Names{u"C", u"E"}));
    EmuRegSetValueAt(c, u"Name", REG_DWORD, {1, 2, 3, 4});
    EXPECT_EQ(ValueData(u"A\\B\\C\\D", u"name", REG_DWORD), (std::vector<BYTE>{1, 2, 3, 4}));
    EmuRegDenyOpenAt(c);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A\\B\\C\\D", 0, 0, &key), ERROR_ACCESS_DENIED);
}

TEST_F(EmuRegistryTest, QueryReportsTypeSizeAndShortBuffers) {
    EmuRegSetValue(u"K", u"raw", REG_SZ, {'A', 0, 'B'});
    EmuRegSetString(u"K", u"", u"default");
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, 0, &k), ERROR_SUCCESS);
    BYTE data[4] = {9, 9, 9, 9};
    DWORD type = 0;
    DWORD size = sizeof(data);
    EXPECT_EQ(RegQueryValueExW(k, u"RAW", &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(data[3], 9) << "stored bytes only, no terminator added";
    size = 4;
    EXPECT_EQ(RegQueryValueExW(k, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 16u);
    RegCloseKey(k);
}

TEST_F(EmuRegistryTest, LoadsEveryValueForm) {
    std::string error;
    ASSERT_TRUE(EmuRegLoadText(kHeader + "; a comment\r\n"
                                         "[HKEY_LOCAL_MACHINE\\Drivers\\Active\\01]\r\n"
                                         "@=\"default\"\r\n"
                                         "\"Key\"=\"Drivers\\\\BuiltIn\\\\\"\r\n"
                                         "\"Quote \\\"q\\\"\" = \"a=b\"\r\n"
                                         "\"Count\"=dword:0000002a\r\n"
                                         "\"Bin\"=hex:01,ff,\\\r\n"
                                         "  10\r\n"
                                         "\"Expand\"=hex(2):25,00,00,00\r\n"
                                         "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
                                         "\"Odd\"=hex(1):41,00,42\r\n"
                                         "\"Empty\"=hex:\r\n"
                                         "\"Ünïcode\"=\"€\"\r\n"
                                         "\r\n"
                                         "[HKLM\\Second]\r\n",
                               &error))
        << error;
    const std::u16string key = u"Drivers\\Active\\01";
    EXPECT_EQ(ValueData(key, u"", REG_SZ), EmuRegStringBytes(u"default"));
    EXPECT_EQ(ValueData(key, u"Key", REG_SZ), EmuRegStringBytes(u"Drivers\\BuiltIn\\"));
    EXPECT_EQ(ValueData(key, u"Quote \"q\"", REG_SZ), EmuRegStringBytes(u"a=b"));
    EXPECT_EQ(ValueData(key, u"Count", REG_DWORD), (std::vector<BYTE>{0x2a, 0, 0, 0}));
    EXPECT_EQ(ValueData(key, u"Bin", REG_BINARY), (std::vector<BYTE>{1, 0xff, 0x10}));
    EXPECT_EQ(ValueData(key, u"Expand", REG_EXPAND_SZ), (std::vector<BYTE>{0x25, 0, 0, 0}));
    EXPECT_EQ(ValueData(key, u"Multi", REG_MULTI_SZ), (std::vector<BYTE>{0x61, 0, 0, 0, 0, 0}));
    EXPECT_EQ(ValueData(key, u"Odd", REG_SZ), (std::vector<BYTE>{0x41, 0, 0x42}));
    EXPECT_TRUE(ValueData(key, u"Empty", REG_BINARY).empty());
    EXPECT_EQ(ValueData(key, u"Ünïcode", REG_SZ), EmuRegStringBytes(u"€"));
    EXPECT_EQ(EmuRegSubkeys(u""), (Names{u"Drivers", u"Second"}));
}

TEST_F(EmuRegistryTest, LoadsRegedit4AndUtf16WithRemovals) {
    std::string error;
    ASSERT_TRUE(EmuRegLoadText(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=\"1\"\n\"w\"=\"2\"\n[HKEY_LOCAL_MACHINE\\A\\C]\n", &error))
        << error;
    std::string utf16 = "\xFF\xFE";
    for (char c : kHeader + "[-HKEY_LOCAL_MACHINE\\A\\C]\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"v\"=-\n") {
        utf16 += c;
        utf16 += '\0';
    }
    ASSERT_TRUE(EmuRegLoadText(utf16, &error)) << error;
    EXPECT_EQ(EmuRegSubkeys(u"A"), (Names{u"B"}));
    EXPECT_FALSE(EmuRegGetValue(u"A\\B", u"v", nullptr, nullptr));
    EXPECT_TRUE(EmuRegGetValue(u"A\\B", u"w", nullptr, nullptr));
}

TEST_F(EmuRegistryTest, MalformedTextNamesLineAndReasonAndChangesNothing) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::string key = "[HKEY_LOCAL_MACHINE\\K]\r\n";
    const Case cases[] = {
        {"", "line 1: missing header"},
        {"REGEDIT5\n", "line 1: missing header"},
        {kHeader + "\"v\"=\"x\"\n", "line 3: value outside a key"},
        {kHeader + "[HKEY_CURRENT_USER\\K]\n", "line 3: only HKEY_LOCAL_MACHINE"},
        {kHeader + "[HKEY_LOCAL_MACHINE\\K\n", "line 3: key without closing bracket"},
        {kHeader + "[HKEY_LOCAL_MACHINE\\A\\\\B]\n", "line 3: empty key name"},
        {kHeader + key + "\"v\"=\"open\n", "line 4: quoted text without closing quote"},
        {kHeader + key + "\"v\"=\"a\\tb\"\n", "line 4: unknown escape"},
        {kHeader + key + "\"v\"=\"a\" x\n", "line 4: text after the closing quote"},
        {kHeader + key + "\"v\" \"x\"\n", "line 4: value name not followed by '='"},
        {kHeader + key + "\"v\"=dword:123456789\n", "line 4: dword needs"},
        {kHeader + key + "\"v\"=dword:\n", "line 4: dword needs"},
        {kHeader + key + "\"v\"=hex:1g\n", "line 4: bad byte"},
        {kHeader + key + "\"v\"=hex:100\n", "line 4: bad byte"},
        {kHeader + key + "\"v\"=hex:01,,02\n", "line 4: bad byte"},
        {kHeader + key + "\"v\"=hex(x):01\n", "line 4: hex(N): needs"},
        {kHeader + key + "\"v\"=hex:01,\\\n", "line 4: continuation without"},
        {kHeader + key + "\"v\"=hex:01,\\", "line 4: continuation without"},
        {kHeader + key + "\"v\"=word:1\n", "line 4: unknown value data"},
        {kHeader + key + "v=1\n", "line 4: expected a [key] or a value"},
        {kHeader + key + "\n\"ok\"=\"1\"\n\"v\"=\"\xC3\"\n", "line 6: text is not UTF-8"},
        {"\xFF\xFE\x41", "line 1: UTF-16 text with an odd number of bytes"},
    };
    for (const Case& c : cases) {
        std::string error = LoadError(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got \"" << error << "\" for: " << c.text;
        EXPECT_TRUE(EmuRegSubkeys(u"").empty()) << "a failed load stored something: " << c.text;
    }
}

TEST_F(EmuRegistryTest, LoadFileNamesTheFile) {
    std::string error;
    EXPECT_FALSE(EmuRegLoadFile(std::string(TASTRA_TEST_DATA) + "/ports/none.reg", &error));
    EXPECT_NE(error.find("none.reg"), std::string::npos);
}
