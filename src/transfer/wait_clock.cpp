#include "transfer/wait_clock.h"

#include "device/serial_device.h"

int64_t monotonicMicroseconds() {
    LARGE_INTEGER count, frequency;
    if (!QueryPerformanceCounter(&count) || !QueryPerformanceFrequency(&frequency) ||
        frequency.QuadPart <= 0) {
        return 0;
    }
    // Split so that the product cannot overflow however long the machine is up.
    int64_t seconds = count.QuadPart / frequency.QuadPart;
    int64_t rest = count.QuadPart % frequency.QuadPart;
    return seconds * 1000000 + rest * 1000000 / frequency.QuadPart;
}
