// A desktop test that starts X clients: the connection is opened before each
// test, and every client in `clients` is ended after it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/x11/desktop.h"
#include "tests/x11/desktop_support.h"

class DesktopClientsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(X11DesktopOpen(nullptr)); }
    void TearDown() override {
        for (pid_t pid : clients)
            StopClient(pid);
        X11DesktopClose();
    }
    std::vector<pid_t> clients;
};
