// GetCommState and SetCommState: the translation in posix_comm_state.cpp
// applied to a port.
#if !defined(_WIN32)

#include "device/posix_call_lock.h"
#include "device/posix_comm_state.h"
#include "device/posix_handle.h"
#include "device/serial_device.h"
#include "device/termios2_speed.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace {

// A device without modem lines (a pty) refuses their ioctls this way.
bool lacksModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

// False only when the device has the lines and still refused.
bool changeModemLines(int fd, unsigned long request, int lines) {
    if (lines == 0) return true;
    if (ioctl(fd, request, &lines) == 0) return true;
    return lacksModemLines(errno);
}

DWORD currentRate(int fd, const struct termios& settings) {
    unsigned long rate = 0;
    if (termios2ReadSpeed(fd, &rate) == 0) return static_cast<DWORD>(rate);
    return rateOfStandardSpeed(cfgetospeed(&settings));
}

// Puts back what SetCommState found, the speed included when it was one that
// only termios2 can express. Keeps the caller's errno.
void restoreSettings(int fd, const struct termios& saved, DWORD savedRate) {
    int error = errno;
    tcsetattr(fd, TCSANOW, &saved);
    if (savedRate != 0 && standardSpeedOf(savedRate) == B0) termios2WriteSpeed(fd, savedRate);
    errno = error;
}

// A device keeps of the data size and parity enable only what it can do (a
// pty forces CS8 and no parity). glibc's tcsetattr reports that as EINVAL,
// but only when nothing else changed, so judge by what the device took: all
// that was asked but those two.
bool tookAllButFramingItLacks(int fd, const struct termios& wanted) {
    if (errno != EINVAL) return false;
    struct termios now;
    if (tcgetattr(fd, &now) != 0) return false;
    const tcflag_t framing = CSIZE | PARENB;
    return now.c_iflag == wanted.c_iflag && now.c_oflag == wanted.c_oflag &&
           now.c_lflag == wanted.c_lflag &&
           (now.c_cflag & ~framing) == (wanted.c_cflag & ~framing) &&
           std::memcmp(now.c_cc, wanted.c_cc, sizeof now.c_cc) == 0 &&
           cfgetospeed(&now) == cfgetospeed(&wanted);
}

BOOL readState(int fd, LPDCB dcb) {
    struct termios settings;
    if (tcgetattr(fd, &settings) != 0) return FALSE;
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0) lines = 0;
    dcbFromTermios(settings, currentRate(fd, settings), lines, dcb);
    return TRUE;
}

BOOL applyState(int fd, LPDCB dcb) {
    // Refused before the port is touched, as Windows does.
    speed_t speed = standardSpeedOf(dcb->BaudRate);
    if (!dcbIsAcceptable(*dcb) || (speed == B0 && !termios2Supported())) {
        errno = EINVAL;
        return FALSE;
    }

    struct termios saved;
    if (tcgetattr(fd, &saved) != 0) return FALSE;
    DWORD savedRate = currentRate(fd, saved);

    struct termios wanted = saved;
    applyDcbToTermios(*dcb, &wanted);
    // Any other rate is set through termios2 once the rest is in place.
    if (speed != B0 && (cfsetispeed(&wanted, speed) != 0 || cfsetospeed(&wanted, speed) != 0)) {
        errno = EINVAL;
        return FALSE;
    }
    if (tcsetattr(fd, TCSANOW, &wanted) != 0 && !tookAllButFramingItLacks(fd, wanted)) {
        restoreSettings(fd, saved, savedRate);
        return FALSE;
    }

    int raise = 0;
    int drop = 0;
    modemLineChanges(*dcb, &raise, &drop);
    if ((speed == B0 && termios2WriteSpeed(fd, dcb->BaudRate) != 0) ||
        !changeModemLines(fd, TIOCMBIS, raise) || !changeModemLines(fd, TIOCMBIC, drop)) {
        restoreSettings(fd, saved, savedRate);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL GetCommState(HANDLE device, LPDCB dcb) {
    int fd = descriptorForCall(device, dcb != nullptr);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    BOOL done = readState(fd, dcb);
    releasePortCalls(fd);
    return done;
}

BOOL SetCommState(HANDLE device, LPDCB dcb) {
    int fd = descriptorForCall(device, dcb != nullptr);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    BOOL done = applyState(fd, dcb);
    releasePortCalls(fd);
    return done;
}

#endif
