// Sleep, to an absolute time on the monotonic clock so that neither a signal
// nor a change of the wall clock ends the wait early, and that clock's
// counter in nanoseconds.
#if !defined(_WIN32)

#include "device/serial_device.h"

#include <time.h>

#include <cerrno>

void Sleep(DWORD milliseconds) {
    struct timespec until;
    if (clock_gettime(CLOCK_MONOTONIC, &until) != 0) {
        // No monotonic clock: a relative sleep, resumed with what is left.
        struct timespec left = {static_cast<time_t>(milliseconds / 1000),
                                static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
        return;
    }
    until.tv_sec += static_cast<time_t>(milliseconds / 1000);
    until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_nsec -= 1000000000L;
        until.tv_sec += 1;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    struct timespec now;
    if (count == nullptr || clock_gettime(CLOCK_MONOTONIC, &now) != 0) return FALSE;
    count->QuadPart = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = 1000000000;
    return TRUE;
}

#endif
