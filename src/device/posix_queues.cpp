// ClearCommError and PurgeComm: the port's input and output queues.
#if !defined(_WIN32)

#include "device/posix_call_lock.h"
#include "device/posix_handle.h"
#include "device/serial_device.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifndef TIOCINQ
#define TIOCINQ FIONREAD
#endif

BOOL ClearCommError(HANDLE device, LPDWORD errors, LPCOMSTAT status) {
    int fd = descriptorFromHandle(device);
    if (fd < 0) {
        errno = EBADF;
        return FALSE;
    }
    int waiting = 0;
    int unsent = 0;
    holdPortCalls(fd);
    bool counted = ioctl(fd, TIOCINQ, &waiting) == 0 && ioctl(fd, TIOCOUTQ, &unsent) == 0;
    releasePortCalls(fd);
    if (!counted) return FALSE;
    if (errors != nullptr) *errors = 0;
    if (status != nullptr) {
        std::memset(status, 0, sizeof *status);
        status->cbInQue = waiting > 0 ? static_cast<DWORD>(waiting) : 0;
        status->cbOutQue = unsent > 0 ? static_cast<DWORD>(unsent) : 0;
    }
    return TRUE;
}

BOOL PurgeComm(HANDLE device, DWORD flags) {
    int fd = descriptorFromHandle(device);
    if (fd < 0) {
        errno = EBADF;
        return FALSE;
    }
    // Windows' serial driver refuses no flag and unknown flags alike.
    const DWORD known = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
    if (flags == 0 || (flags & ~known) != 0) {
        errno = EINVAL;
        return FALSE;
    }
    bool input = (flags & PURGE_RXCLEAR) != 0;
    bool output = (flags & PURGE_TXCLEAR) != 0;
    holdPortCalls(fd);
    BOOL done;
    if (!input && !output) {
        // Nothing to abort, but a handle that is no port is still refused.
        done = isatty(fd) ? TRUE : FALSE;
    } else {
        int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
        done = tcflush(fd, queue) == 0 ? TRUE : FALSE;
    }
    releasePortCalls(fd);
    return done;
}

#endif
