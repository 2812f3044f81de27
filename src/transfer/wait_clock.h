// The monotonic clock the waits are measured on: the device seam's
// performance counter, so that the Windows module needs no threading runtime.
#pragma once

#include <cstdint>

// Microseconds since an arbitrary start; 0 when the clock cannot be read.
int64_t monotonicMicroseconds();
