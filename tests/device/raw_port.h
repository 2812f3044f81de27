// A port opened on a fresh pty and set up as a raw line, as the module leaves
// one; the master is the far end.
#pragma once

#include "device/serial_device.h"
#include "open_port.h"
#include "pty_pair.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

class RawPortOnPty : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openPtyPair(&pair));
        port = openPort(pair.slavePath);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        DCB dcb = {};
        dcb.DCBlength = sizeof dcb;
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.BaudRate = 115200;
        dcb.fOutX = 0;  // a fresh pty has IXON, which would swallow 0x11 and 0x13
        dcb.fInX = 0;
        ASSERT_TRUE(SetCommState(port, &dcb));
        ASSERT_TRUE(setReadTimeout(pair.slave, 0, 20));  // no test waits forever
    }
    void TearDown() override {
        CloseHandle(port);
        closePtyPair(&pair);
    }
    // Sends bytes from the far end and waits until the port holds them.
    void arrive(const std::string& bytes) {
        ASSERT_TRUE(writeAll(pair.master, bytes.data(), bytes.size()));
        int waiting = 0;
        for (int tries = 0; tries < 1000 && static_cast<size_t>(waiting) < bytes.size(); ++tries) {
            ASSERT_EQ(ioctl(pair.slave, TIOCINQ, &waiting), 0);
            if (static_cast<size_t>(waiting) < bytes.size()) usleep(1000);
        }
        ASSERT_EQ(static_cast<size_t>(waiting), bytes.size());
    }

    PtyPair pair;
    HANDLE port = INVALID_HANDLE_VALUE;
};
