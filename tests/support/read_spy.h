// Counts the read() calls the process makes, to check that a reader takes
// what is waiting in blocks rather than byte by byte, and makes reads on a
// chosen descriptor fail part way, as a device lost during a read: a pty
// only ever hangs up between reads.
//
// Linking this file into an executable interposes read for the whole
// process (see termios_spy.h). Every call goes on to the C library's read.
#pragma once

#include <cstddef>

// From now on (on: true) or no longer, counts every read() call; starting
// sets the count to 0.
void spyCountReads(bool on);
// The read() calls counted.
int spyReadsCounted();
// From now until spyReadReset, read() on fd delivers at most bytes more in
// all (each call passes on at most what is left), then fails with error.
void spyFailReadsAfter(int fd, size_t bytes, int error);
// Lifts the failure.
void spyReadReset();
