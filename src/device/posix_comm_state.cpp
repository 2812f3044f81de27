#if !defined(_WIN32)

#include "device/posix_comm_state.h"

#include <sys/ioctl.h>

#include <cstring>

namespace {

struct StandardSpeed {
    DWORD rate;
    speed_t speed;
};

const StandardSpeed kStandardSpeeds[] = {
    {50, B50},           {75, B75},     {110, B110},   {134, B134},     {150, B150},
    {200, B200},         {300, B300},   {600, B600},   {1200, B1200},   {1800, B1800},
    {2400, B2400},       {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
#ifdef B57600
    {57600, B57600},
#endif
#ifdef B115200
    {115200, B115200},
#endif
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

}  // namespace

// Where the platform lacks one, its flag is no flag: dcbIsAcceptable refuses
// mark and space parity there.
#ifndef CRTSCTS
#define CRTSCTS 0
#endif
#ifndef CMSPAR
#define CMSPAR 0
#endif

bool dcbIsAcceptable(const DCB& dcb) {
    // No UART runs above 2^31 - 1 bit/s; a negative rate converted to a
    // DWORD lands there, and Windows' driver refuses what it cannot produce.
    if (dcb.BaudRate == 0 || dcb.BaudRate > 0x7fffffffu) return false;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return false;
    if (dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS) return false;
    if (CMSPAR == 0 && (dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY)) return false;
    if (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize > 5) return false;
    if (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) return false;
    return true;
}

speed_t standardSpeedOf(DWORD rate) {
    for (const StandardSpeed& entry : kStandardSpeeds) {
        if (entry.rate == rate) return entry.speed;
    }
    return B0;
}

DWORD rateOfStandardSpeed(speed_t speed) {
    if (speed == B0) return 0;
    for (const StandardSpeed& entry : kStandardSpeeds) {
        if (entry.speed == speed) return entry.rate;
    }
    return 0;
}

void applyDcbToTermios(const DCB& dcb, struct termios* settings) {
    // Bytes pass untouched both ways: no line editing, echo, signals,
    // translation or stripping, and no output processing.
    settings->c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                                ICRNL | IXANY | IXON | IXOFF | INPCK);
#ifdef IUCLC
    settings->c_iflag &= ~static_cast<tcflag_t>(IUCLC);
#endif
    settings->c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings->c_lflag &=
        ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);

    tcflag_t control = settings->c_cflag;
    control &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
    control |= CLOCAL | CREAD;
    switch (dcb.ByteSize) {
        case 5: control |= CS5; break;
        case 6: control |= CS6; break;
        case 7: control |= CS7; break;
        default: control |= CS8; break;
    }

    // Without PARENB, PARODD and CMSPAR mean nothing: NOPARITY leaves them as
    // they are, so that re-applying a DCB read back from the port (where a
    // pty has dropped PARENB) changes nothing.
    const tcflag_t markSpace = CMSPAR;
    const tcflag_t odd = PARODD;
    switch (dcb.Parity) {
        case ODDPARITY: control = (control & ~markSpace) | PARENB | PARODD; break;
        case EVENPARITY: control = (control & ~(markSpace | odd)) | PARENB; break;
        case MARKPARITY: control |= PARENB | PARODD | markSpace; break;
        case SPACEPARITY: control = (control & ~odd) | PARENB | markSpace; break;
        default: break;
    }
    if (dcb.StopBits != ONESTOPBIT) control |= CSTOPB;
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) control |= CRTSCTS;
    settings->c_cflag = control;

    if (dcb.fOutX) settings->c_iflag |= IXON;
    if (dcb.fInX) settings->c_iflag |= IXOFF;
    if (dcb.fParity) settings->c_iflag |= INPCK;
}

void modemLineChanges(const DCB& dcb, int* raise, int* drop) {
    *raise = 0;
    *drop = 0;
    *(dcb.fDtrControl == DTR_CONTROL_DISABLE ? drop : raise) |= TIOCM_DTR;
    if (dcb.fRtsControl == RTS_CONTROL_DISABLE) {
        *drop |= TIOCM_RTS;
    } else if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) {
        *raise |= TIOCM_RTS;
    }
}

void dcbFromTermios(const struct termios& settings, DWORD rate, int modemLines, DCB* dcb) {
    DWORD length = dcb->DCBlength;
    std::memset(dcb, 0, sizeof *dcb);
    dcb->DCBlength = length;
    dcb->BaudRate = rate;
    dcb->fBinary = 1;

    tcflag_t control = settings.c_cflag;
    switch (control & CSIZE) {
        case CS5: dcb->ByteSize = 5; break;
        case CS6: dcb->ByteSize = 6; break;
        case CS7: dcb->ByteSize = 7; break;
        default: dcb->ByteSize = 8; break;
    }

    if (!(control & PARENB)) {
        dcb->Parity = NOPARITY;
    } else if (control & CMSPAR) {
        dcb->Parity = (control & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
        dcb->Parity = (control & PARODD) ? ODDPARITY : EVENPARITY;
    }

    if (!(control & CSTOPB)) {
        dcb->StopBits = ONESTOPBIT;
    } else {
        dcb->StopBits = (control & CSIZE) == CS5 ? ONE5STOPBITS : TWOSTOPBITS;
    }

    dcb->fParity = (settings.c_iflag & INPCK) ? 1 : 0;
    // A tty still in canonical mode has never been set up as a serial line:
    // its XON/XOFF is the terminal's default, which would swallow 0x11 and
    // 0x13 of binary data. Such a port reads as a new Windows port does, with
    // software flow control off.
    bool setUpAsLine = !(settings.c_lflag & ICANON);
    dcb->fOutX = (setUpAsLine && (settings.c_iflag & IXON)) ? 1 : 0;
    dcb->fInX = (setUpAsLine && (settings.c_iflag & IXOFF)) ? 1 : 0;
    dcb->fDtrControl = (modemLines & TIOCM_DTR) ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    if (control & CRTSCTS) {
        dcb->fOutxCtsFlow = 1;
        dcb->fRtsControl = RTS_CONTROL_HANDSHAKE;
    } else {
        dcb->fRtsControl = (modemLines & TIOCM_RTS) ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    }
    dcb->XonChar = static_cast<char>(settings.c_cc[VSTART]);
    dcb->XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
}

#endif
