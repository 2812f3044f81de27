// Any output speed, standard or not, through Linux's termios2 ioctls. Kept in
// a file of its own because <asm/termbits.h> clashes with glibc's <termios.h>.
#pragma once

#if !defined(_WIN32)

// Nonzero where the platform can set and read a speed that has no B constant.
int termios2Supported(void);

// Reads the port's output speed in bit/s. 0, or -1 with errno set (ENOSYS
// where termios2 is missing).
int termios2ReadSpeed(int fd, unsigned long* rate);

// Sets input and output speed to rate, leaving every other setting as it is.
// 0, or -1 with errno set (ENOSYS where termios2 is missing).
int termios2WriteSpeed(int fd, unsigned long rate);

#endif
