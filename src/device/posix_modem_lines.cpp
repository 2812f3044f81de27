// GetCommModemStatus, SetCommBreak and ClearCommBreak over the tty's modem
// and break ioctls.
#if !defined(_WIN32)

#include "device/posix_call_lock.h"
#include "device/posix_handle.h"
#include "device/serial_device.h"

#include <sys/ioctl.h>

#include <cerrno>

namespace {

BOOL lineRequest(HANDLE device, unsigned long request) {
    int fd = descriptorFromHandle(device);
    if (fd < 0) {
        errno = EBADF;
        return FALSE;
    }
    holdPortCalls(fd);
    BOOL done = ioctl(fd, request) == 0 ? TRUE : FALSE;
    releasePortCalls(fd);
    return done;
}

}  // namespace

BOOL GetCommModemStatus(HANDLE device, LPDWORD status) {
    int fd = descriptorForCall(device, status != nullptr);
    if (fd < 0) return FALSE;
    int lines = 0;
    holdPortCalls(fd);
    BOOL read = ioctl(fd, TIOCMGET, &lines) == 0;
    releasePortCalls(fd);
    if (!read) return FALSE;
    DWORD up = 0;
    if (lines & TIOCM_CTS) up |= MS_CTS_ON;
    if (lines & TIOCM_DSR) up |= MS_DSR_ON;
    if (lines & TIOCM_RNG) up |= MS_RING_ON;
    if (lines & TIOCM_CAR) up |= MS_RLSD_ON;
    *status = up;
    return TRUE;
}

BOOL SetCommBreak(HANDLE device) {
    return lineRequest(device, TIOCSBRK);
}

BOOL ClearCommBreak(HANDLE device) {
    return lineRequest(device, TIOCCBRK);
}

#endif
