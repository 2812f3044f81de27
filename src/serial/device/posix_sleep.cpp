// Sleep: to an absolute time on the monotonic clock, so that neither a
// signal nor a change of the wall clock ends the wait early.
#if !defined(_WIN32)

#include "serial/device/serial_device.h"

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

#endif
