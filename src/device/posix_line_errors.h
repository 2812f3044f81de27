// The line-error counts the driver keeps (TIOCGICOUNT), per descriptor, so
// that ClearCommError can report, as Windows does, which errors came since
// it was last asked.
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

// Takes the driver's counts as they are, so that only later errors count:
// at open. Nothing is kept for a driver without counts.
void startLineErrorCounts(int fd);
// The CE_* flags of the counts that grew since the last look (or since
// startLineErrorCounts); 0 for a driver without counts at open, which is not
// asked again until CountsLineErrors finds it has them.
DWORD newLineErrors(int fd);
// Drops fd's counts, so that a descriptor number used again starts afresh.
void forgetLineErrorCounts(int fd);

#endif
