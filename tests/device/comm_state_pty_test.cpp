// GetCommState and SetCommState on a pty: what it keeps is read back from the
// line; data size and PARENB (which a pty drops) from what tcsetattr was asked,
// DTR and RTS (which it lacks) from what ioctl was asked.
#include "device/posix_handle.h"
#include "device/serial_device.h"
#include "device/termios2_speed.h"
#include "ioctl_spy.h"
#include "open_port.h"
#include "pty_pair.h"
#include "termios_spy.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace {

class CommStateOnPty : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openPtyPair(&pair));
        port = openPort(pair.slavePath);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        ASSERT_TRUE(GetCommState(port, &dcb));
        spyReset();
        spyIoctlReset();
    }
    void TearDown() override {
        spyIoctlReset();
        if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
        closePtyPair(&pair);
    }
    struct termios line() {
        struct termios settings;
        EXPECT_EQ(tcgetattr(pair.slave, &settings), 0);
        return settings;
    }

    PtyPair pair;
    HANDLE port = INVALID_HANDLE_VALUE;
    DCB dcb;
};

// The kernel reads a B constant back as its rate, so a wrong entry in the
// speed table shows.
TEST_F(CommStateOnPty, SpeedsReadBackStandardOrNot) {
    const DWORD rates[] = {300,    250000,  9600,    1000000, 115200,  250000,  50,      75,
                           110,    134,     150,     200,     600,     1200,    1800,    2400,
                           4800,   19200,   38400,   57600,   230400,  460800,  500000,  576000,
                           921600, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
    for (DWORD rate : rates) {
        dcb.BaudRate = rate;
        ASSERT_TRUE(SetCommState(port, &dcb)) << rate;
        DCB got = {};
        ASSERT_TRUE(GetCommState(port, &got));
        EXPECT_EQ(got.BaudRate, rate);
        unsigned long lineRate = 0;
        ASSERT_EQ(termios2ReadSpeed(pair.slave, &lineRate), 0);
        EXPECT_EQ(lineRate, rate);
    }
}

TEST_F(CommStateOnPty, FramingAndFlowReachTheLine) {
    struct Case {
        BYTE size, parity, stop;
        bool ctsFlow;
        tcflag_t lineFlags;  // of CSTOPB | PARODD | CMSPAR | CRTSCTS, which a pty keeps
        tcflag_t asked;      // of CSIZE | PARENB, in the tcsetattr request
    } cases[] = {
        {8, NOPARITY, ONESTOPBIT, false, 0, CS8},
        {7, EVENPARITY, TWOSTOPBITS, false, CSTOPB, CS7 | PARENB},
        {6, ODDPARITY, ONESTOPBIT, true, PARODD | CRTSCTS, CS6 | PARENB},
        {5, MARKPARITY, ONE5STOPBITS, false, CSTOPB | PARODD | CMSPAR, CS5 | PARENB},
        {8, SPACEPARITY, TWOSTOPBITS, true, CSTOPB | CMSPAR | CRTSCTS, CS8 | PARENB},
    };
    const tcflag_t kept = CSTOPB | PARODD | CMSPAR | CRTSCTS;
    for (const Case& c : cases) {
        dcb.ByteSize = c.size;
        dcb.Parity = c.parity;
        dcb.StopBits = c.stop;
        dcb.fOutxCtsFlow = c.ctsFlow;
        dcb.fRtsControl = c.ctsFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;  // a pty has no lines: skipped, not a failure
        ASSERT_TRUE(SetCommState(port, &dcb)) << int(c.size);
        EXPECT_EQ(line().c_cflag & kept, c.lineFlags) << int(c.size);
        struct termios asked;
        ASSERT_TRUE(spyLastTermios(descriptorFromHandle(port), &asked));
        EXPECT_EQ(asked.c_cflag & (CSIZE | PARENB), c.asked) << int(c.size);

        DCB got = {};
        ASSERT_TRUE(GetCommState(port, &got));
        EXPECT_EQ(got.fOutxCtsFlow, unsigned(c.ctsFlow));
        EXPECT_EQ(got.fRtsControl, unsigned(c.ctsFlow ? RTS_CONTROL_HANDSHAKE : 0));
        EXPECT_EQ(got.fDtrControl, unsigned(DTR_CONTROL_DISABLE));
    }
}

TEST_F(CommStateOnPty, ReapplyingWhatWasReadChangesNothing) {
    dcb.Parity = MARKPARITY;
    dcb.StopBits = TWOSTOPBITS;
    ASSERT_TRUE(SetCommState(port, &dcb));
    struct termios before = line();
    DCB readBack = {};
    ASSERT_TRUE(GetCommState(port, &readBack));
    EXPECT_EQ(readBack.Parity, NOPARITY);  // the pty dropped PARENB
    ASSERT_TRUE(SetCommState(port, &readBack));
    struct termios after = line();
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST_F(CommStateOnPty, MakesTheLineRawAndKeepsReadTimeouts) {
    struct termios cooked = line();
    cooked.c_iflag |= ICRNL | INLCR | ISTRIP;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag &= ~CLOCAL;
    cooked.c_cc[VMIN] = 0;
    cooked.c_cc[VTIME] = 7;
    ASSERT_EQ(tcsetattr(pair.slave, TCSANOW, &cooked), 0);
    ASSERT_TRUE(SetCommState(port, &dcb));
    struct termios raw = line();
    EXPECT_EQ(raw.c_iflag & (ICRNL | INLCR | ISTRIP), 0u);
    EXPECT_EQ(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(raw.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(raw.c_cc[VMIN], 0);
    EXPECT_EQ(raw.c_cc[VTIME], 7);
}

TEST_F(CommStateOnPty, RefusedSettingsLeaveThePortAsItWas) {
    dcb.BaudRate = 250000;
    dcb.StopBits = TWOSTOPBITS;
    ASSERT_TRUE(SetCommState(port, &dcb));
    struct termios before = line();
    spyReset();
    struct Change {
        DWORD rate;
        BYTE size, parity, stop;
    } refused[] = {
        {0, 8, NOPARITY, ONESTOPBIT},     {9600, 4, NOPARITY, ONESTOPBIT},
        {9600, 9, NOPARITY, ONESTOPBIT},  {9600, 8, 5, ONESTOPBIT},
        {9600, 8, NOPARITY, 3},           {9600, 8, NOPARITY, ONE5STOPBITS},
        {9600, 5, NOPARITY, TWOSTOPBITS}, {2147483648u, 8, NOPARITY, ONESTOPBIT},
    };
    for (const Change& c : refused) {
        DCB bad = dcb;
        bad.BaudRate = c.rate;
        bad.ByteSize = c.size;
        bad.Parity = c.parity;
        bad.StopBits = c.stop;
        EXPECT_FALSE(SetCommState(port, &bad)) << c.rate << " " << int(c.size);
    }
    EXPECT_EQ(spyTcsetattrCalls(), 0);
    struct termios after = line();
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(std::memcmp(after.c_cc, before.c_cc, sizeof after.c_cc), 0);
    DCB got = {};
    ASSERT_TRUE(GetCommState(port, &got));
    EXPECT_EQ(got.BaudRate, 250000u);
}

TEST_F(CommStateOnPty, AsksForTheModemLinesTheDcbNames) {
    struct Case {
        unsigned dtr, rts;
        int raised, dropped;
    } cases[] = {
        {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0, TIOCM_DTR | TIOCM_RTS},
        {DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, TIOCM_DTR | TIOCM_RTS, 0},
        {DTR_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE, TIOCM_DTR, 0},
        {DTR_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE, 0, TIOCM_DTR},
    };
    int fd = descriptorFromHandle(port);
    for (const Case& c : cases) {
        spyIoctlReset();
        dcb.fDtrControl = c.dtr;
        dcb.fRtsControl = c.rts;
        ASSERT_TRUE(SetCommState(port, &dcb)) << c.dtr << " " << c.rts;
        EXPECT_EQ(spyModemLinesRaised(fd), c.raised) << c.dtr << " " << c.rts;
        EXPECT_EQ(spyModemLinesDropped(fd), c.dropped) << c.dtr << " " << c.rts;
    }
}

// A port that has modem lines and refuses a change of them.
TEST_F(CommStateOnPty, FailedModemLineChangeLeavesThePortAsItWas) {
    dcb.BaudRate = 250000;
    ASSERT_TRUE(SetCommState(port, &dcb));
    struct termios before = line();
    const struct {
        unsigned long request;
        unsigned dtr;
    } cases[] = {{TIOCMBIS, DTR_CONTROL_ENABLE}, {TIOCMBIC, DTR_CONTROL_DISABLE}};
    for (const auto& c : cases) {
        DCB changed = dcb;
        changed.BaudRate = 1200;
        changed.Parity = ODDPARITY;
        changed.StopBits = TWOSTOPBITS;
        changed.fDtrControl = c.dtr;
        changed.fRtsControl = RTS_CONTROL_HANDSHAKE;
        spyFailIoctl(c.request, EIO);
        errno = 0;
        EXPECT_FALSE(SetCommState(port, &changed)) << c.request;
        EXPECT_EQ(errno, EIO);
        spyIoctlReset();
        struct termios after = line();
        EXPECT_EQ(after.c_iflag, before.c_iflag);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        unsigned long rate = 0;
        ASSERT_EQ(termios2ReadSpeed(pair.slave, &rate), 0);
        EXPECT_EQ(rate, 250000u);
    }
}

}  // namespace
