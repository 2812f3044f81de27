// DCB <-> termios without a port.
#include "device/posix_comm_state.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cstring>

namespace {

DCB baseDcb() {
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    return dcb;
}

struct termios cookedTermios() {
    struct termios settings;
    std::memset(&settings, 0, sizeof settings);
    settings.c_iflag = IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IXON |
                       IXOFF | INPCK | IUCLC;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_lflag = ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN;
    settings.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS;
    cfsetospeed(&settings, B4800);
    settings.c_cc[VMIN] = 3;
    settings.c_cc[VTIME] = 9;
    return settings;
}

TEST(CommStateTranslation, EveryValidDcbSurvivesTermiosAndBack) {
    const BYTE sizes[] = {5, 6, 7, 8};
    for (BYTE size : sizes) {
        for (BYTE parity = NOPARITY; parity <= SPACEPARITY; ++parity) {
            for (BYTE stop = ONESTOPBIT; stop <= TWOSTOPBITS; ++stop) {
                for (int flow = 0; flow < 8; ++flow) {
                    DCB wanted = baseDcb();
                    wanted.ByteSize = size;
                    wanted.Parity = parity;
                    wanted.StopBits = stop;
                    wanted.fOutX = flow & 1;
                    wanted.fInX = (flow >> 1) & 1;
                    wanted.fParity = (flow >> 2) & 1;
                    if (flow & 4) {
                        wanted.fOutxCtsFlow = 1;
                        wanted.fRtsControl = RTS_CONTROL_HANDSHAKE;
                    }
                    if (!dcbIsAcceptable(wanted)) continue;
                    struct termios settings = cookedTermios();
                    applyDcbToTermios(wanted, &settings);
                    DCB got;
                    std::memset(&got, 0xA5, sizeof got);
                    got.DCBlength = 77;
                    dcbFromTermios(settings, 9600, 0, &got);
                    SCOPED_TRACE(testing::Message() << int(size) << " " << int(parity) << " "
                                                    << int(stop) << " " << flow);
                    EXPECT_EQ(got.DCBlength, 77u);
                    EXPECT_EQ(got.ByteSize, size);
                    EXPECT_EQ(got.Parity, parity);
                    EXPECT_EQ(got.StopBits, stop);
                    EXPECT_EQ(got.fOutX, wanted.fOutX);
                    EXPECT_EQ(got.fInX, wanted.fInX);
                    EXPECT_EQ(got.fParity, wanted.fParity);
                    EXPECT_EQ(got.fOutxCtsFlow, wanted.fOutxCtsFlow);
                    EXPECT_EQ(got.fRtsControl, wanted.fRtsControl);
                    EXPECT_EQ(got.fBinary, 1u);
                    EXPECT_EQ(got.XonLim, 0u);
                    EXPECT_EQ(got.fAbortOnError, 0u);
                }
            }
        }
    }
}

TEST(CommStateTranslation, ParityFlagsAsWrittenAndRead) {
    const tcflag_t kept = PARODD | CMSPAR;
    struct Case {
        BYTE parity;
        tcflag_t before;
        tcflag_t after;  // of PARENB | PARODD | CMSPAR
    } cases[] = {
        {NOPARITY, 0, 0},
        {NOPARITY, PARENB | kept, kept},  // PARODD and CMSPAR stay without PARENB
        {ODDPARITY, CMSPAR, PARENB | PARODD},
        {EVENPARITY, kept, PARENB},
        {MARKPARITY, 0, PARENB | PARODD | CMSPAR},
        {SPACEPARITY, PARODD, PARENB | CMSPAR},
    };
    for (const Case& c : cases) {
        DCB dcb = baseDcb();
        dcb.Parity = c.parity;
        struct termios settings = cookedTermios();
        settings.c_cflag = (settings.c_cflag & ~(PARENB | kept)) | c.before;
        applyDcbToTermios(dcb, &settings);
        EXPECT_EQ(settings.c_cflag & (PARENB | kept), c.after) << int(c.parity);
    }
    // Without PARENB the other two flags read as no parity.
    struct termios settings = cookedTermios();
    settings.c_cflag = CS8 | kept;
    DCB got = baseDcb();
    dcbFromTermios(settings, 9600, 0, &got);
    EXPECT_EQ(got.Parity, NOPARITY);
}

TEST(CommStateTranslation, RawModeKeepsSpeedAndReadTimeouts) {
    struct termios settings = cookedTermios();
    applyDcbToTermios(baseDcb(), &settings);
    EXPECT_EQ(settings.c_iflag, 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(settings.c_cflag & (CSTOPB | CRTSCTS | PARENB), 0u);
    EXPECT_EQ(cfgetospeed(&settings), speed_t(B4800));
    EXPECT_EQ(settings.c_cc[VMIN], 3);
    EXPECT_EQ(settings.c_cc[VTIME], 9);
}

TEST(CommStateTranslation, CtsFlowOrRtsHandshakeAloneSetsCrtscts) {
    struct Case {
        unsigned cts, rts;
        tcflag_t crtscts;
    } cases[] = {
        {1, RTS_CONTROL_ENABLE, CRTSCTS},    {1, RTS_CONTROL_DISABLE, CRTSCTS},
        {0, RTS_CONTROL_HANDSHAKE, CRTSCTS}, {0, RTS_CONTROL_ENABLE, 0},
        {0, RTS_CONTROL_TOGGLE, 0},
    };
    for (const Case& c : cases) {
        DCB dcb = baseDcb();
        dcb.fOutxCtsFlow = c.cts;
        dcb.fRtsControl = c.rts;
        struct termios settings = cookedTermios();  // CRTSCTS set before
        applyDcbToTermios(dcb, &settings);
        EXPECT_EQ(settings.c_cflag & CRTSCTS, c.crtscts) << c.cts << " " << c.rts;
    }
}

TEST(CommStateTranslation, ModemLinesBothWays) {
    struct Case {
        int dtr, rts, raise, drop;
    } cases[] = {
        {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0, TIOCM_DTR | TIOCM_RTS},
        {DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, TIOCM_DTR | TIOCM_RTS, 0},
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_TOGGLE, TIOCM_DTR | TIOCM_RTS, 0},
        {DTR_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE, 0, TIOCM_DTR},
    };
    for (const Case& c : cases) {
        DCB dcb = baseDcb();
        dcb.fDtrControl = c.dtr;
        dcb.fRtsControl = c.rts;
        int raise = -1, drop = -1;
        modemLineChanges(dcb, &raise, &drop);
        EXPECT_EQ(raise, c.raise) << c.dtr << " " << c.rts;
        EXPECT_EQ(drop, c.drop) << c.dtr << " " << c.rts;
    }
    struct termios settings = cookedTermios();
    settings.c_cflag = CS8;
    const int lines[] = {0, TIOCM_DTR, TIOCM_RTS, TIOCM_DTR | TIOCM_RTS};
    for (int raised : lines) {
        DCB got = baseDcb();
        dcbFromTermios(settings, 9600, raised, &got);
        EXPECT_EQ(got.fDtrControl, (raised & TIOCM_DTR) ? 1u : 0u);
        EXPECT_EQ(got.fRtsControl, (raised & TIOCM_RTS) ? 1u : 0u);
    }
    settings.c_cflag |= CRTSCTS;  // handshake wins over the RTS line
    DCB got = baseDcb();
    dcbFromTermios(settings, 9600, 0, &got);
    EXPECT_EQ(got.fRtsControl, unsigned(RTS_CONTROL_HANDSHAKE));
}

}  // namespace
