// A POSIX HANDLE is the descriptor plus one (see serial_device.h).
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

#include <cerrno>
#include <climits>
#include <cstdint>

inline HANDLE handleFromDescriptor(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

// -1 for null, INVALID_HANDLE_VALUE and anything no descriptor maps to.
inline int descriptorFromHandle(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return -1;
    intptr_t fd = reinterpret_cast<intptr_t>(handle) - 1;
    if (fd < 0 || fd > INT_MAX) return -1;
    return static_cast<int>(fd);
}

// The descriptor a call works on, or -1 with errno set: EBADF for a handle no
// descriptor maps to, EINVAL when the call lacks what it writes or reads.
inline int descriptorForCall(HANDLE handle, bool argumentsGiven) {
    int fd = descriptorFromHandle(handle);
    if (fd < 0 || !argumentsGiven) {
        errno = fd < 0 ? EBADF : EINVAL;
        return -1;
    }
    return fd;
}

#endif
