// Counts the read() calls the process makes, to check that a reader takes
// what is waiting in blocks rather than byte by byte.
//
// Linking this file into an executable interposes read for the whole
// process (see termios_spy.h). Every call goes on to the C library's read.
#pragma once

// From now on (on: true) or no longer, counts every read() call; starting
// sets the count to 0.
void spyCountReads(bool on);
// The read() calls counted.
int spyReadsCounted();
