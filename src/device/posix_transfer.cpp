// WriteFile and ReadFile on a port's descriptor. One given time-outs goes to
// posix_timed_transfer.cpp; any other reads and writes by VMIN and VTIME.
#if !defined(_WIN32)

#include "device/posix_call_lock.h"
#include "device/posix_handle.h"
#include "device/posix_timeouts.h"
#include "device/serial_device.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace {

// Waits for fd to become ready for events; false on a poll error.
bool waitFor(int fd, short events) {
    struct pollfd entry = {fd, events, 0};
    while (poll(&entry, 1, -1) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// A read of 0 is either the end of VTIME (or VMIN 0 with nothing waiting) or
// a hung-up line; only the latter reports POLLHUP or POLLERR.
bool hungUp(int fd) {
    struct pollfd entry = {fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

BOOL writeDescriptor(int fd, const unsigned char* bytes, DWORD count, DWORD* written) {
    COMMTIMEOUTS timeouts;
    if (timeoutsOf(fd, &timeouts)) return writeWithTimeouts(fd, bytes, count, written, timeouts);
    while (*written < count) {
        ssize_t done = write(fd, bytes + *written, count - *written);
        if (done > 0) {
            *written += static_cast<DWORD>(done);
        } else if (done < 0 && errno == EINTR) {
            continue;
        } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT)) return FALSE;
        } else {
            if (done == 0) errno = EIO;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL readDescriptor(int fd, unsigned char* bytes, DWORD count, DWORD* received) {
    COMMTIMEOUTS timeouts;
    if (timeoutsOf(fd, &timeouts)) return readWithTimeouts(fd, bytes, count, received, timeouts);
    while (*received < count) {
        ssize_t done = read(fd, bytes + *received, count - *received);
        if (done > 0) {
            *received += static_cast<DWORD>(done);
        } else if (done == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            // The port's time-out ran out: what arrived is the answer.
            if (done == 0 && hungUp(fd)) {
                errno = EIO;
                return FALSE;
            }
            return TRUE;
        } else if (errno != EINTR) {
            return FALSE;
        }
    }
    return TRUE;
}

}  // namespace

BOOL WriteFile(HANDLE device, LPCVOID data, DWORD count, LPDWORD written, LPVOID) {
    DWORD ignored = 0;
    if (written == nullptr) written = &ignored;
    *written = 0;
    int fd = descriptorForCall(device, data != nullptr || count == 0);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    BOOL done = writeDescriptor(fd, static_cast<const unsigned char*>(data), count, written);
    releasePortCalls(fd);
    return done;
}

BOOL ReadFile(HANDLE device, LPVOID buffer, DWORD count, LPDWORD received, LPVOID) {
    DWORD ignored = 0;
    if (received == nullptr) received = &ignored;
    *received = 0;
    int fd = descriptorForCall(device, buffer != nullptr || count == 0);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    BOOL done = readDescriptor(fd, static_cast<unsigned char*>(buffer), count, received);
    releasePortCalls(fd);
    return done;
}

#endif
