// Every wait of the module is cut into slices of at most kSliceMilliseconds,
// and Ctrl-C is looked for between them: no device call or sleep holds the
// host's thread longer than that.
#pragma once

#include "device/serial_device.h"

#include <cstdint>

const DWORD kSliceMilliseconds = 50;

// The next slice of a wait that ends leftMicroseconds from now: at most a
// slice, in the whole milliseconds a device call takes. Rounded up when that
// overshoots the end by very little, so that a wait of whole milliseconds
// that began just now is one call; otherwise rounded down, and 0 once less
// than a millisecond is left (the caller then polls to the end).
DWORD nextSliceMilliseconds(int64_t leftMicroseconds);

// Waits at least milliseconds, against the monotonic clock (Windows' Sleep
// may end up to a clock tick early). False when Ctrl-C ended it sooner.
bool sleepUnlessInterrupted(DWORD milliseconds);
