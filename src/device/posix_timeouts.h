// The COMMTIMEOUTS each descriptor was given (posix_timeouts.cpp), and the
// reads and writes that honour them (posix_timed_transfer.cpp).
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

// False when fd has not been given time-outs since it was opened: ReadFile
// and WriteFile then go by the port's VMIN and VTIME, as they always have.
bool timeoutsOf(int fd, COMMTIMEOUTS* timeouts);
// Drops fd's record, so that a descriptor number used again starts without one.
void forgetTimeouts(int fd);

// ReadFile and WriteFile on a descriptor that has time-outs (and so is in
// O_NONBLOCK). The arguments are those ReadFile and WriteFile checked.
BOOL readWithTimeouts(int fd, unsigned char* bytes, DWORD count, DWORD* received,
                      const COMMTIMEOUTS& timeouts);
BOOL writeWithTimeouts(int fd, const unsigned char* bytes, DWORD count, DWORD* written,
                       const COMMTIMEOUTS& timeouts);

#endif
