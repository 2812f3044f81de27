#include "transfer/slices.h"

#include "host/host_interrupt.h"
#include "transfer/wait_clock.h"

namespace {

// A slice rounded up to whole milliseconds may end this much late.
const int64_t kRoundUpMicroseconds = 100;

}  // namespace

DWORD nextSliceMilliseconds(int64_t leftMicroseconds) {
    if (leftMicroseconds <= 0) return 0;
    int64_t milliseconds = (leftMicroseconds + 999) / 1000;
    if (milliseconds * 1000 - leftMicroseconds > kRoundUpMicroseconds) --milliseconds;
    return milliseconds > kSliceMilliseconds ? kSliceMilliseconds
                                             : static_cast<DWORD>(milliseconds);
}

bool sleepUnlessInterrupted(DWORD milliseconds) {
    const int64_t end = monotonicMicroseconds() + int64_t(milliseconds) * 1000;
    for (;;) {
        int64_t left = end - monotonicMicroseconds();
        if (left <= 0) return true;
        if (hostInterruptPending()) return false;
        // Rounded up: the clock decides when the wait is over, not Sleep.
        int64_t step = (left + 999) / 1000;
        Sleep(step > kSliceMilliseconds ? kSliceMilliseconds : static_cast<DWORD>(step));
    }
}
