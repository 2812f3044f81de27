// ClearCommError and PurgeComm on a pty.
#include "ioctl_spy.h"
#include "pty_pair.h"
#include "raw_port.h"
#include "serial/device/serial_device.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

class QueuesOnPty : public RawPortOnPty {
protected:
    void TearDown() override {
        spyIoctlReset();
        RawPortOnPty::TearDown();
    }
    // Bytes the port holds unread, by ClearCommError.
    DWORD waiting() {
        COMSTAT status;
        std::memset(&status, 0xA5, sizeof status);
        DWORD errors = 99;
        EXPECT_TRUE(ClearCommError(port, &errors, &status));
        EXPECT_EQ(errors, 0u);
        EXPECT_EQ(status.fCtsHold | status.fEof | status.fReserved, 0u);
        EXPECT_LT(status.cbOutQue, 4096u);
        return status.cbInQue;
    }
    // Sends five bytes from the far end and waits for the pty to deliver them.
    void arriveFive() {
        ASSERT_TRUE(writeAll(pair.master, "12345", 5));
        for (int tries = 0; tries < 1000 && waiting() < 5; ++tries) usleep(1000);
        ASSERT_EQ(waiting(), 5u);
    }
};

TEST_F(QueuesOnPty, PurgeDropsWhatArrivedWhenAsked) {
    EXPECT_EQ(waiting(), 0u);
    struct Case {
        DWORD flags;
        DWORD left;
    } cases[] = {
        {PURGE_RXCLEAR | PURGE_RXABORT, 0},
        {PURGE_RXCLEAR | PURGE_TXCLEAR, 0},
        {PURGE_TXCLEAR, 5},
        {PURGE_TXABORT | PURGE_RXABORT, 5},
        {0, 5},
        {PURGE_RXCLEAR | 0x10, 5},  // refused
    };
    for (const Case& c : cases) {
        arriveFive();
        bool refused = c.flags == 0 || (c.flags & 0x10) != 0;
        errno = 0;
        EXPECT_EQ(PurgeComm(port, c.flags), refused ? FALSE : TRUE) << c.flags;
        if (refused) {
            EXPECT_EQ(errno, EINVAL) << c.flags;
        }
        EXPECT_EQ(waiting(), c.left) << c.flags;
        ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    }
    ASSERT_TRUE(setReadTimeout(pair.slave, 0, 1));
    char buffer[5];
    DWORD count = 99;
    EXPECT_TRUE(ReadFile(port, buffer, 5, &count, nullptr));
    EXPECT_EQ(count, 0u);
}

TEST_F(QueuesOnPty, FailedCountLeavesTheRecordAlone) {
    const unsigned long requests[] = {TIOCINQ, TIOCOUTQ};
    for (unsigned long request : requests) {
        spyFailIoctl(request, EIO);
        COMSTAT status = {};
        status.cbInQue = 77;
        DWORD errors = 99;
        errno = 0;
        EXPECT_FALSE(ClearCommError(port, &errors, &status));
        EXPECT_EQ(errno, EIO);
        EXPECT_EQ(status.cbInQue, 77u);
        EXPECT_EQ(errors, 99u);
        spyIoctlReset();
    }
}

}  // namespace
