// SetCommTimeouts and the per-descriptor record ReadFile and WriteFile read.
#if !defined(_WIN32)

#include "serial/device/posix_timeouts.h"
#include "serial/device/posix_handle.h"
#include "serial/device/serial_device.h"

#include <fcntl.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <mutex>

namespace {

// Ports with time-outs open at once; a MEX session holds a handful.
constexpr int kMaxTimedPorts = 256;

struct TimedPort {
    bool used;
    int fd;
    COMMTIMEOUTS timeouts;
};

std::mutex tableLock;
TimedPort table[kMaxTimedPorts];  // zeroed: every slot free
// Slots in use, read without the lock: while no port has time-outs, ReadFile
// and WriteFile pay one load for the look-up.
std::atomic<int> usedSlots{0};

// The slot of fd, or null. Call with tableLock held.
TimedPort* slotOf(int fd) {
    for (TimedPort& slot : table) {
        if (slot.used && slot.fd == fd) return &slot;
    }
    return nullptr;
}

TimedPort* freeSlot() {
    for (TimedPort& slot : table) {
        if (!slot.used) return &slot;
    }
    return nullptr;
}

}  // namespace

bool timeoutsOf(int fd, COMMTIMEOUTS* timeouts) {
    if (usedSlots.load(std::memory_order_acquire) == 0) return false;
    std::lock_guard<std::mutex> guard(tableLock);
    TimedPort* slot = slotOf(fd);
    if (slot == nullptr) return false;
    *timeouts = slot->timeouts;
    return true;
}

void forgetTimeouts(int fd) {
    std::lock_guard<std::mutex> guard(tableLock);
    TimedPort* slot = slotOf(fd);
    if (slot == nullptr) return;
    slot->used = false;
    usedSlots.fetch_sub(1, std::memory_order_release);
}

// The time-outs take over from VMIN and VTIME: with O_NONBLOCK a tty read
// returns what is waiting whatever VMIN says, and the timed reads and writes
// wait in poll. O_NONBLOCK stays until the descriptor is closed.
BOOL SetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts) {
    int fd = descriptorFromHandle(device);
    if (fd < 0 || timeouts == nullptr) {
        errno = fd < 0 ? EBADF : EINVAL;
        return FALSE;
    }
    // Windows' serial driver refuses this one combination.
    if (timeouts->ReadIntervalTimeout == MAXDWORD &&
        timeouts->ReadTotalTimeoutMultiplier == MAXDWORD &&
        timeouts->ReadTotalTimeoutConstant == MAXDWORD) {
        errno = EINVAL;
        return FALSE;
    }
    // Only a port has time-outs (ENOTTY otherwise). One whose line hung up
    // (EIO) still takes them: its reads and writes then report the hang-up.
    struct termios settings;
    if (tcgetattr(fd, &settings) != 0 && errno != EIO) return FALSE;

    std::lock_guard<std::mutex> guard(tableLock);
    TimedPort* slot = slotOf(fd);
    if (slot == nullptr) slot = freeSlot();
    if (slot == nullptr) {
        errno = EMFILE;
        return FALSE;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return FALSE;
    if (!(flags & O_NONBLOCK) && fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return FALSE;
    if (!slot->used) usedSlots.fetch_add(1, std::memory_order_release);
    slot->used = true;
    slot->fd = fd;
    slot->timeouts = *timeouts;
    return TRUE;
}

#endif
