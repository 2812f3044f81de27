// ClearCommError and PurgeComm on a pty.
#include "device/serial_device.h"
#include "ioctl_spy.h"
#include "raw_port.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace {

using QueuesOnPty = RawPortOnPty;

TEST_F(QueuesOnPty, CountsAndPurges) {
    struct Case {
        DWORD flags;
        DWORD left;  // of five bytes waiting; 5 also when refused
    } cases[] = {
        {PURGE_RXCLEAR | PURGE_RXABORT, 0},
        {PURGE_RXCLEAR | PURGE_TXCLEAR, 0},
        {PURGE_TXCLEAR, 5},
        {PURGE_TXABORT | PURGE_RXABORT, 5},
        {0, 5},
        {PURGE_RXCLEAR | 0x10, 5},
    };
    for (const Case& c : cases) {
        COMSTAT status;
        std::memset(&status, 0xA5, sizeof status);
        DWORD errors = 99;
        ASSERT_TRUE(ClearCommError(port, &errors, &status));
        EXPECT_EQ(status.cbInQue, 0u);
        arrive("12345");
        bool refused = c.flags == 0 || (c.flags & 0x10) != 0;
        errno = 0;
        EXPECT_EQ(PurgeComm(port, c.flags), !refused) << c.flags;
        EXPECT_EQ(errno, refused ? EINVAL : 0) << c.flags;
        ASSERT_TRUE(ClearCommError(port, &errors, &status));
        EXPECT_EQ(errors, 0u);
        EXPECT_EQ(status.fCtsHold | status.fEof | status.fReserved, 0u);
        EXPECT_EQ(status.cbInQue, c.left) << c.flags;
        EXPECT_LT(status.cbOutQue, 4096u);
        ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    }
    const unsigned long requests[] = {TIOCINQ, TIOCOUTQ};
    for (unsigned long request : requests) {
        spyFailIoctl(request, EIO);
        errno = 0;
        EXPECT_FALSE(ClearCommError(port, nullptr, nullptr));
        EXPECT_EQ(errno, EIO);
        spyIoctlReset();
    }
}

}  // namespace
