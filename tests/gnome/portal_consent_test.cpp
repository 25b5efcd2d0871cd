// The consent kept across starts where the portal can keep it (its remote
// desktop at version 2 or later), against the stand-in frontend of
// tests/gnome/with-portal-frontend.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <sdbus-c++/sdbus-c++.h>
#include <fstream>
#include <map>
#include <string>

#include "platform/portal/portal_session.h"

namespace {

class KeptConsent : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(state), nullptr);
        setenv("XDG_STATE_HOME", state, 1);
        bus = sdbus::createSessionBusConnection();
        standIn = sdbus::createProxy(*bus, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop");
    }
    void TearDown() override {
        PortalSessionClose();
        std::string command = std::string("rm -rf ") + state;
        ASSERT_EQ(system(command.c_str()), 0);
    }
    void SetVersion(uint32_t version) {
        standIn->callMethod("SetVersion").onInterface("org.tastra.PortalStandIn").withArguments(version);
    }
    std::map<std::string, sdbus::Variant> LastSelect() {
        std::map<std::string, sdbus::Variant> options;
        standIn->callMethod("LastSelect").onInterface("org.tastra.PortalStandIn").storeResultsTo(options);
        return options;
    }
    std::string KeptToken() {
        std::ifstream file(std::string(state) + "/tastra/portal-restore-token");
        std::string token;
        std::getline(file, token);
        return token;
    }
    // Starts a session as Tastra does at Connect, and ends it.
    void Consent() {
        ASSERT_EQ(PortalSessionStart(5000), PortalAnswer::GRANTED);
        PortalSessionClose();
    }

    char state[32] = "/tmp/tastra-state-XXXXXX";
    std::unique_ptr<sdbus::IConnection> bus;
    std::unique_ptr<sdbus::IProxy> standIn;
};

TEST_F(KeptConsent, VersionTwoKeepsTheTokenInTheStateFolderAndOffersItAtTheNextStart) {
    SetVersion(2);
    Consent();
    auto first = LastSelect();
    ASSERT_TRUE(first.count("persist_mode"));
    EXPECT_EQ(first["persist_mode"].get<uint32_t>(), 2u) << "kept until the user revokes it";
    EXPECT_FALSE(first.count("restore_token")) << "nothing kept yet";
    EXPECT_EQ(KeptToken(), "token-1");
    struct stat folder {};
    ASSERT_EQ(stat((std::string(state) + "/tastra").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 077, 0u) << "the token stands for a consent: the user's alone";

    // A token is good for one start: the one handed back replaces it.
    Consent();
    auto second = LastSelect();
    ASSERT_TRUE(second.count("restore_token"));
    EXPECT_EQ(second["restore_token"].get<std::string>(), "token-1");
    EXPECT_EQ(KeptToken(), "token-2");
}

TEST_F(KeptConsent, VersionOneIsAskedEveryStartAndNothingIsKept) {
    SetVersion(1);
    Consent();
    auto options = LastSelect();
    EXPECT_FALSE(options.count("persist_mode"));
    EXPECT_FALSE(options.count("restore_token"));
    EXPECT_EQ(KeptToken(), "");
}

}  // namespace
