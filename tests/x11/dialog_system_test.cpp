// The system services on Linux: language from the locale and starting the
// Bluetooth manager (8-bit text and the clock are in tests/contract).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/system.h"

namespace {

class LocaleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        unsetenv("LANG");
    }
    void Use(const char* all, const char* messages, const char* lang) {
        auto set = [](const char* name, const char* value) {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        };
        set("LC_ALL", all);
        set("LC_MESSAGES", messages);
        set("LANG", lang);
    }
};

TEST_F(LocaleTest, GermanForEveryGermanLocaleEnglishOtherwise) {
    Use(nullptr, nullptr, "de_DE.UTF-8");
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0407);
    Use(nullptr, nullptr, "de_CH.UTF-8");
    EXPECT_EQ(GetSystemDefaultLangID() & 0xFF, 7);
    Use(nullptr, nullptr, "de");
    EXPECT_EQ(GetSystemDefaultLangID() & 0xFF, 7);
    Use(nullptr, nullptr, "de_AT@euro");
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0C07);
    for (const char* other : {"en_US.UTF-8", "C", "POSIX", "dsb_DE.UTF-8", "fr_DE.UTF-8", ""}) {
        Use(nullptr, nullptr, other);
        EXPECT_EQ(GetSystemDefaultLangID(), 0x0409) << other;
    }
    Use(nullptr, nullptr, nullptr);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
}

TEST_F(LocaleTest, LcAllThenLcMessagesThenLang) {
    Use("en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8");
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
    Use(nullptr, "de_DE.UTF-8", "en_US.UTF-8");
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0407);
    Use("", "", "de_DE.UTF-8");
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0407) << "empty variables count as unset";
}

TEST(CreateProcessTest, StartsTheBluetoothManagerForTheSettingsApplet) {
    char dir[] = "/tmp/tastra-bin-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string marker = std::string(dir) + "/started";
    std::string manager = std::string(dir) + "/blueman-manager";
    std::ofstream(manager) << "#!/bin/sh\ntouch '" << marker << "'\n";
    chmod(manager.c_str(), 0755);
    std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(CreateProcessW(u"ctlpnl.exe", u"cplmain.cpl,16", 0)) << "no manager installed";
    setenv("PATH", (std::string(dir) + ":/usr/bin:/bin").c_str(), 1);
    EXPECT_FALSE(CreateProcessW(u"notepad.exe", u"", 0)) << "only the settings applet has a counterpart";
    EXPECT_TRUE(CreateProcessW(u"ctlpnl.exe", u"cplmain.cpl,16", 0));
    setenv("PATH", oldPath.c_str(), 1);

    bool started = false;
    for (int i = 0; i < 200 && !started; ++i) {
        started = access(marker.c_str(), F_OK) == 0;
        if (!started) Sleep(50);
    }
    EXPECT_TRUE(started);
    unlink(marker.c_str());
    unlink(manager.c_str());
    rmdir(dir);
}

}  // namespace
