// SetCommTimeouts and the per-descriptor record ReadFile and WriteFile read.
#if !defined(_WIN32)

#include "device/posix_timeouts.h"
#include "device/posix_call_lock.h"
#include "device/posix_handle.h"
#include "device/serial_device.h"

#include <fcntl.h>
#include <pthread.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

// Ports with time-outs open at once; a MEX session holds a handful.
constexpr int kMaxTimedPorts = 256;

struct TimedPort {
    bool used;
    int fd;
    COMMTIMEOUTS timeouts;
};

// Shared by every thread that calls the layer: the slots under tableLock. A
// slot's record changes only within a call on its own descriptor.
TimedPort table[kMaxTimedPorts];  // zeroed: every slot free
pthread_mutex_t tableLock = PTHREAD_MUTEX_INITIALIZER;
// While no port has time-outs, ReadFile and WriteFile pay one load for the
// look-up; otherwise it ends at the last slot in use.
std::atomic<int> usedSlots{0};

TimedPort* slotOf(int fd) {
    int seen = 0;
    for (int i = 0; i < kMaxTimedPorts && seen < usedSlots; ++i) {
        if (!table[i].used) continue;
        if (table[i].fd == fd) return &table[i];
        ++seen;
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
    if (usedSlots.load(std::memory_order_relaxed) == 0) return false;
    pthread_mutex_lock(&tableLock);
    TimedPort* slot = slotOf(fd);
    if (slot != nullptr) *timeouts = slot->timeouts;
    pthread_mutex_unlock(&tableLock);
    return slot != nullptr;
}

void forgetTimeouts(int fd) {
    pthread_mutex_lock(&tableLock);
    TimedPort* slot = slotOf(fd);
    if (slot != nullptr) {
        slot->used = false;
        --usedSlots;
    }
    pthread_mutex_unlock(&tableLock);
}

namespace {

// The record kept, and O_NONBLOCK set; false (errno set) when either fails.
bool keepTimeouts(int fd, const COMMTIMEOUTS& timeouts) {
    pthread_mutex_lock(&tableLock);
    TimedPort* slot = slotOf(fd);
    if (slot == nullptr) slot = freeSlot();
    bool kept = false;
    if (slot == nullptr) {
        errno = EMFILE;
    } else {
        int flags = fcntl(fd, F_GETFL);
        kept = flags >= 0 && ((flags & O_NONBLOCK) || fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0);
    }
    if (kept) {
        if (!slot->used) ++usedSlots;
        slot->used = true;
        slot->fd = fd;
        slot->timeouts = timeouts;
    }
    pthread_mutex_unlock(&tableLock);
    return kept;
}

BOOL setTimeouts(int fd, const COMMTIMEOUTS& timeouts) {
    // Windows' serial driver refuses this one combination.
    if (timeouts.ReadIntervalTimeout == MAXDWORD &&
        timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
        timeouts.ReadTotalTimeoutConstant == MAXDWORD) {
        errno = EINVAL;
        return FALSE;
    }
    // Only a port has time-outs (ENOTTY otherwise). One whose line hung up
    // (EIO) still takes them: its reads and writes then report the hang-up.
    struct termios settings;
    if (tcgetattr(fd, &settings) != 0 && errno != EIO) return FALSE;
    return keepTimeouts(fd, timeouts) ? TRUE : FALSE;
}

BOOL readTimeouts(int fd, LPCOMMTIMEOUTS timeouts) {
    struct termios settings;
    bool settingsRead = tcgetattr(fd, &settings) == 0;
    if (!settingsRead && errno != EIO) return FALSE;
    if (timeoutsOf(fd, timeouts)) return TRUE;
    std::memset(timeouts, 0, sizeof *timeouts);
    if (settingsRead && settings.c_cc[VMIN] == 0) {
        timeouts->ReadIntervalTimeout = MAXDWORD;
        if (settings.c_cc[VTIME] > 0) {
            timeouts->ReadTotalTimeoutMultiplier = MAXDWORD;
            timeouts->ReadTotalTimeoutConstant = DWORD(settings.c_cc[VTIME]) * 100;
        }
    }
    return TRUE;
}

}  // namespace

// The time-outs take over from VMIN and VTIME: with O_NONBLOCK a tty read
// returns what is waiting whatever VMIN says, and the timed reads and writes
// wait in poll. O_NONBLOCK stays until the descriptor is closed.
BOOL SetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts) {
    int fd = descriptorForCall(device, timeouts != nullptr);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    BOOL done = setTimeouts(fd, *timeouts);
    releasePortCalls(fd);
    return done;
}

// A port never given time-outs reads by its VMIN and VTIME, told here in
// kernel32's terms: with VMIN 0 a read returns what is waiting, at once or
// as soon as anything comes within VTIME; any other VMIN waits for every
// byte (all zeros, as a new Windows port has).
BOOL GetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts) {
    int fd = descriptorForCall(device, timeouts != nullptr);
    if (fd < 0) return FALSE;
    holdPortCalls(fd);
    BOOL done = readTimeouts(fd, timeouts);
    releasePortCalls(fd);
    return done;
}

#endif
