// ReadFile and WriteFile on a descriptor given time-outs by SetCommTimeouts.
// It is in O_NONBLOCK, so read and write return what they can at once; the
// waiting is done in poll, against a deadline on the monotonic clock taken
// when the call began. Bytes already there cost a read as an untimed call's.
#if !defined(_WIN32)

#include "device/posix_timeouts.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>

namespace {

struct Deadline {
    bool never;  // no time-out: wait as long as it takes
    struct timespec at;
};

constexpr long kLongestStepNs = 20 * 1000000L;

// Beyond this a time-out is taken as none; it keeps the sum below in range.
constexpr uint64_t kLongestWaitMs = uint64_t(1) << 40;  // about 35 years

// False when the clock cannot be read (errno set).
bool startDeadline(uint64_t totalMs, bool never, Deadline* deadline) {
    deadline->never = never || totalMs > kLongestWaitMs;
    if (deadline->never) return true;
    if (clock_gettime(CLOCK_MONOTONIC, &deadline->at) != 0) return false;
    deadline->at.tv_sec += static_cast<time_t>(totalMs / 1000);
    deadline->at.tv_nsec += static_cast<long>(totalMs % 1000) * 1000000L;
    if (deadline->at.tv_nsec >= 1000000000L) {
        deadline->at.tv_nsec -= 1000000000L;
        deadline->at.tv_sec += 1;
    }
    return true;
}

// Time left until the deadline: 1 and *left, 0 (and *left zero) once it has
// passed, -1 when the clock cannot be read.
int timeLeft(const Deadline& deadline, struct timespec* left) {
    struct timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return -1;
    left->tv_sec = deadline.at.tv_sec - now.tv_sec;
    left->tv_nsec = deadline.at.tv_nsec - now.tv_nsec;
    if (left->tv_nsec < 0) {
        left->tv_nsec += 1000000000L;
        left->tv_sec -= 1;
    }
    if (left->tv_sec > 0 || (left->tv_sec == 0 && left->tv_nsec > 0)) return 1;
    left->tv_sec = 0;
    left->tv_nsec = 0;
    return 0;
}

// One poll of fd for events, for at most the time left (none: no wait).
int pollFor(struct pollfd* entry, const struct timespec* left) {
#if defined(__linux__)
    // ppoll sleeps to the nanosecond; poll's milliseconds would cost up to
    // one of overshoot.
    return ppoll(entry, 1, left, nullptr);
#else
    int ms = -1;
    if (left != nullptr) {
        // Rounded up, so that no wait ends before its time.
        long long whole =
            static_cast<long long>(left->tv_sec) * 1000 + (left->tv_nsec + 999999L) / 1000000L;
        ms = whole > INT_MAX ? INT_MAX : static_cast<int>(whole);
    }
    return poll(entry, 1, ms);
#endif
}

// Waits until fd is ready for events, hangs up or the deadline passes. The
// poll's revents (nonzero), 0 once the deadline has passed, -1 on failure.
// Polls at least once, so that a deadline already past still sees a hang-up.
int waitUntil(int fd, short events, const Deadline& deadline) {
    struct timespec left = {0, 0};
    if (!deadline.never && timeLeft(deadline, &left) < 0) return -1;
    for (;;) {
        struct pollfd entry = {fd, events, 0};
        // Linux lets a poll sleep 0.1% past its time (timer slack: 1 ms of a
        // 1 s wait); in steps of at most 20 ms the last one ends within 20 us.
        struct timespec step = left;
        if (step.tv_sec > 0 || step.tv_nsec > kLongestStepNs) step = {0, kLongestStepNs};
        int ready = pollFor(&entry, deadline.never ? nullptr : &step);
        if (ready > 0) return entry.revents;
        if (ready < 0 && errno != EINTR) return -1;
        // Interrupted, or a step ended: wait for the rest.
        if (!deadline.never) {
            int stillToGo = timeLeft(deadline, &left);
            if (stillToGo <= 0) return stillToGo;
        }
    }
}

bool lineGone(int revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Whichever of two deadlines comes first.
const Deadline& earlier(const Deadline& a, const Deadline& b) {
    if (a.never || b.never) return a.never ? b : a;
    bool aFirst =
        a.at.tv_sec < b.at.tv_sec || (a.at.tv_sec == b.at.tv_sec && a.at.tv_nsec < b.at.tv_nsec);
    return aFirst ? a : b;
}

}  // namespace

// kernel32's read time-outs:
//   {MAXDWORD, 0, 0}        return at once with what is waiting
//   {MAXDWORD, MAXDWORD, c} return as soon as anything is there, or after c
//                           (0 < c < MAXDWORD)
//   {0, 0, 0}               wait for every byte asked for
//   {0, m, c}               wait for every byte, or m * count + c ms
//   {i, m, c}               the same, and once a byte has arrived, also end
//                           when i ms pass after the last one (0 < i < MAXDWORD)
// A line that hangs up ends the read at once: FALSE, errno EIO, *received
// what arrived before.
BOOL readWithTimeouts(int fd, unsigned char* bytes, DWORD count, DWORD* received,
                      const COMMTIMEOUTS& timeouts) {
    if (count == 0) return TRUE;
    const DWORD interval = timeouts.ReadIntervalTimeout;
    const DWORD multiplier = timeouts.ReadTotalTimeoutMultiplier;
    const DWORD constant = timeouts.ReadTotalTimeoutConstant;
    bool firstBytes =
        interval == MAXDWORD && multiplier == MAXDWORD && constant > 0 && constant < MAXDWORD;
    bool immediate = interval == MAXDWORD && multiplier == 0 && constant == 0;
    uint64_t totalMs = firstBytes ? constant : uint64_t(multiplier) * count + constant;
    Deadline deadline;
    if (!startDeadline(totalMs, totalMs == 0 && !immediate, &deadline)) return FALSE;
    // Measured from the last byte, as poll wakes for it; not before the first.
    const bool spaced = interval != 0 && interval != MAXDWORD;
    Deadline quiet = {true, {0, 0}};

    bool gone = false;
    while (*received < count) {
        ssize_t done = read(fd, bytes + *received, count - *received);
        if (done > 0) {
            *received += static_cast<DWORD>(done);
            if (firstBytes) return TRUE;
            if (spaced && !startDeadline(interval, false, &quiet)) return FALSE;
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return FALSE;
        // Nothing waiting on a line that is up (a hung-up one reads 0): at
        // once is now, without the poll (a reader polling an idle port pays
        // for every call).
        if (immediate && done < 0) return TRUE;
        // Nothing waiting. With VMIN and VTIME both 0 a tty says so with a
        // read of 0 rather than EAGAIN; so does a line that hung up, which
        // only poll tells apart.
        if (gone) {
            errno = EIO;
            return FALSE;
        }
        int ready = waitUntil(fd, POLLIN, earlier(quiet, deadline));
        if (ready < 0) return FALSE;
        if (ready == 0) return TRUE;
        gone = lineGone(ready);  // read once more: what came before the hang-up
    }
    return TRUE;
}

// kernel32's write time-outs: {0, 0} waits until every byte is written;
// otherwise the write ends after m * count + c ms with TRUE and the count
// written by then, as Windows and Wine report it. A hang-up fails it
// (FALSE, errno EIO).
BOOL writeWithTimeouts(int fd, const unsigned char* bytes, DWORD count, DWORD* written,
                       const COMMTIMEOUTS& timeouts) {
    if (count == 0) return TRUE;
    uint64_t totalMs =
        uint64_t(timeouts.WriteTotalTimeoutMultiplier) * count + timeouts.WriteTotalTimeoutConstant;
    Deadline deadline;
    if (!startDeadline(totalMs, totalMs == 0, &deadline)) return FALSE;

    bool gone = false;
    while (*written < count) {
        ssize_t done = write(fd, bytes + *written, count - *written);
        if (done > 0) {
            *written += static_cast<DWORD>(done);
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = EIO;
        if (done == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return FALSE;
        // The line takes no more for now.
        if (gone) {
            errno = EIO;
            return FALSE;
        }
        int ready = waitUntil(fd, POLLOUT, deadline);
        if (ready < 0) return FALSE;
        if (ready == 0) return TRUE;
        gone = lineGone(ready);
    }
    return TRUE;
}

#endif
