// A port opened on a fresh pty and set up as a raw line, as the module leaves
// one; the master is the far end.
#pragma once

#include "open_port.h"
#include "pty_pair.h"
#include "serial/device/serial_device.h"

#include <gtest/gtest.h>

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

    PtyPair pair;
    HANDLE port = INVALID_HANDLE_VALUE;
};
