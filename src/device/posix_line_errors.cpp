// The driver's error counts per descriptor, and CountsLineErrors.
#if !defined(_WIN32)

#include "device/posix_line_errors.h"
#include "device/posix_call_lock.h"
#include "device/posix_handle.h"

#include <sys/ioctl.h>
#if defined(__linux__)
#include <linux/serial.h>
#endif

#include <cerrno>

namespace {

// The counts of the five errors ClearCommError reports, in CE_* order.
struct ErrorCounts {
    int value[5];
};
const DWORD kErrorFlags[5] = {CE_RXOVER, CE_OVERRUN, CE_RXPARITY, CE_FRAME, CE_BREAK};

bool readCounts(int fd, ErrorCounts* counts) {
#if defined(__linux__) && defined(TIOCGICOUNT)
    struct serial_icounter_struct icount = {};
    if (ioctl(fd, TIOCGICOUNT, &icount) != 0) return false;
    *counts = {{icount.buf_overrun, icount.overrun, icount.parity, icount.frame, icount.brk}};
    return true;
#else
    (void)fd;
    (void)counts;
    errno = ENOTTY;
    return false;
#endif
}

// A handful of ports, and the host's thread alone: a port's reader reads
// (and sets time-outs) but never looks at the queues or the error counts.
constexpr int kMaxCountedPorts = 256;

struct CountedPort {
    bool used;
    int fd;
    bool counted;  // false: the driver had no counts at open (a pty, many USB adapters)
    ErrorCounts last;
};

CountedPort table[kMaxCountedPorts];

CountedPort* slotOf(int fd) {
    for (CountedPort& slot : table) {
        if (slot.used && slot.fd == fd) return &slot;
    }
    return nullptr;
}

// Keeps counts as fd's last (none: counted false); false when the table is full.
bool keep(int fd, bool counted, const ErrorCounts& counts) {
    CountedPort* slot = slotOf(fd);
    for (int i = 0; slot == nullptr && i < kMaxCountedPorts; ++i) {
        if (!table[i].used) slot = &table[i];
    }
    if (slot == nullptr) return false;
    *slot = {true, fd, counted, counts};
    return true;
}

}  // namespace

void startLineErrorCounts(int fd) {
    ErrorCounts counts = {};
    keep(fd, readCounts(fd, &counts), counts);
}

DWORD newLineErrors(int fd) {
    CountedPort* slot = slotOf(fd);
    // A driver without counts is not asked at every look: comcount keeps the
    // cost of its two queue ioctls.
    if (slot != nullptr && !slot->counted) return 0;
    ErrorCounts now;
    if (!readCounts(fd, &now)) return 0;
    DWORD flags = 0;
    for (int i = 0; slot != nullptr && i < 5; ++i) {
        if (now.value[i] != slot->last.value[i]) flags |= kErrorFlags[i];
    }
    keep(fd, true, now);
    return flags;
}

void forgetLineErrorCounts(int fd) {
    CountedPort* slot = slotOf(fd);
    if (slot != nullptr) slot->used = false;
}

// Asks the driver each time; one that has counts now (none at open) is
// counted from here on.
BOOL CountsLineErrors(HANDLE device) {
    int fd = descriptorForCall(device, true);
    if (fd < 0) return FALSE;
    ErrorCounts counts;
    holdPortCalls(fd);
    bool counted = readCounts(fd, &counts);
    releasePortCalls(fd);
    if (!counted) return FALSE;
    CountedPort* slot = slotOf(fd);
    if (slot != nullptr && !slot->counted) keep(fd, true, counts);
    return TRUE;
}

#endif
