// Records what the process asks tcsetattr (and tcflush) for. A pty forces CS8 and drops
// PARENB whatever it is given, so data size and parity-enable can only be
// checked on the request.
//
// Linking this file into an executable interposes tcsetattr for the whole
// process: the executable's own code and, when it is linked with
// --export-dynamic (ENABLE_EXPORTS), modules it loads later. Every call is
// recorded, then passed on to the C library's tcsetattr.
#pragma once

#include <termios.h>

// The termios last passed for fd since the last spyReset; false if none.
bool spyLastTermios(int fd, struct termios* out);
// tcsetattr calls since the last spyReset, on any descriptor.
int spyTcsetattrCalls();
// Forgets every recorded call.
void spyReset();
// The queue (TCIFLUSH, TCOFLUSH, TCIOFLUSH) of the last tcflush since the last
// spyReset, on any descriptor; -1 if none. A pty's output queue is always
// empty, so which queues a purge asked for can only be checked here.
int spyLastTcflush();
