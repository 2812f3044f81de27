// CreateFileA and CloseHandle for ports: open by Windows name, held
// exclusively, as share mode 0 asks.
#if !defined(_WIN32)

#include "device/posix_call_lock.h"
#include "device/posix_handle.h"
#include "device/posix_line_errors.h"
#include "device/posix_port_name.h"
#include "device/posix_threads.h"
#include "device/posix_timeouts.h"
#include "device/serial_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// Closes fd keeping the errno of the failure that led here.
HANDLE failOpen(int fd) {
    int error = errno;
    close(fd);
    errno = error;
    return INVALID_HANDLE_VALUE;
}

}  // namespace

// The module always opens a port for reading and writing, existing, with
// share mode 0; the other arguments carry nothing for a POSIX port.
HANDLE CreateFileA(LPCSTR path, DWORD, DWORD, LPVOID, DWORD disposition, DWORD, HANDLE) {
    std::string devicePath;
    if (disposition != OPEN_EXISTING || !devicePathFromPortName(path, &devicePath)) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    // Non-blocking only so that open does not wait for carrier.
    int fd = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return INVALID_HANDLE_VALUE;

    struct stat status;
    if (fstat(fd, &status) != 0) return failOpen(fd);
    if (S_ISDIR(status.st_mode)) {
        errno = EISDIR;
        return failOpen(fd);
    }
    // flock holds against root too, which TIOCEXCL does not; TIOCEXCL also
    // keeps out programs that never take the lock. Non-ttys refuse TIOCEXCL.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) errno = EBUSY;
        return failOpen(fd);
    }
    ioctl(fd, TIOCEXCL);

    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return failOpen(fd);
    // The number may have been closed without CloseHandle.
    forgetTimeouts(fd);
    // Errors from before the open are not the port's.
    forgetLineErrorCounts(fd);
    startLineErrorCounts(fd);
    return handleFromDescriptor(fd);
}

BOOL CloseHandle(HANDLE device) {
    if (isThreadHandle(device)) return closeThreadHandle(device);
    int fd = descriptorFromHandle(device);
    if (fd < 0) {
        errno = EBADF;
        return FALSE;
    }
    // After any call in progress on the port, so that the number is not
    // reused under it.
    holdPortCalls(fd);
    // Left set, the claim would keep a non-root process from reopening the
    // port. The lock goes with the descriptor.
    ioctl(fd, TIOCNXCL);
    forgetTimeouts(fd);
    forgetLineErrorCounts(fd);
    // On Linux the descriptor is gone even when close reports EINTR.
    BOOL closed = close(fd) == 0 || errno == EINTR;
    releasePortCalls(fd);
    return closed;
}

#endif
