// ClearCommError, PurgeComm and DrainTransmitter: the port's input and
// output queues.
#if !defined(_WIN32)

#include "device/posix_call_lock.h"
#include "device/posix_handle.h"
#include "device/posix_line_errors.h"
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
    DWORD flags = 0;
    holdPortCalls(fd);
    bool counted = ioctl(fd, TIOCINQ, &waiting) == 0 && ioctl(fd, TIOCOUTQ, &unsent) == 0;
    // Looked at only by a call that succeeds, so that no error goes unreported.
    if (counted) flags = newLineErrors(fd);
    releasePortCalls(fd);
    if (!counted) return FALSE;
    if (errors != nullptr) *errors = flags;
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

// The tty's own buffer is empty by now (TIOCOUTQ read 0): tcdrain waits only
// for the UART, and the kernel bounds that wait by the characters its FIFO holds.
BOOL DrainTransmitter(HANDLE device) {
    int fd = descriptorForCall(device, true);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    int drained;
    while ((drained = tcdrain(fd)) != 0 && errno == EINTR) {
    }
    releasePortCalls(fd);
    return drained == 0 ? TRUE : FALSE;
}

#endif
