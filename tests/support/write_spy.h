// Makes write() on a chosen descriptor take fewer bytes than asked, as a
// serial driver or a full pty may. A blocking pty write takes everything at
// once, so without this a writer's handling of partial writes goes untried.
//
// Linking this file into an executable interposes write for the whole
// process (see termios_spy.h). Until a limit is set every call goes straight
// to the C library's write.
#pragma once

#include <cstddef>

// Each later write() on fd passes at most most bytes on to the C library's
// write (which may take fewer still); 0 lifts the limit.
void spyShortWrites(int fd, size_t most);
// Lifts every limit.
void spyWriteReset();
