#include "tests/ports/ports_test.h"

void PortsTest::TearDown() {
    EXPECT_EQ(EmuRegOpenKeyCount(), 0) << "a registry key was left open";
    EXPECT_EQ(EmuOpenSearchCount(), 0) << "a device search was left open";
}

void PortsTest::LoadHandheld(const std::string& file) {
    std::string error;
    ASSERT_TRUE(EmuRegLoadFile(std::string(TASTRA_TEST_DATA) + "/ports/" + file, &error)) << error;
}

void PortsTest::AddComDevices(int first, int last) {
    for (int i = first; i <= last; ++i)
        EmuAddDevice(u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u":");
}

std::u16string Text(const WCHAR* text) { return std::u16string(text); }
