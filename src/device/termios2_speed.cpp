#if !defined(_WIN32)

#include "device/termios2_speed.h"

#include <cerrno>

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

#if defined(__linux__) && defined(TCGETS2) && defined(TCSETS2) && defined(BOTHER)

int termios2Supported(void) {
    return 1;
}

int termios2ReadSpeed(int fd, unsigned long* rate) {
    struct termios2 settings;
    if (ioctl(fd, TCGETS2, &settings) != 0) return -1;
    *rate = settings.c_ospeed;
    return 0;
}

int termios2WriteSpeed(int fd, unsigned long rate) {
    struct termios2 settings;
    if (ioctl(fd, TCGETS2, &settings) != 0) return -1;
    // BOTHER for output; input speed bits B0, which means "same as output".
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER;
    settings.c_ospeed = static_cast<speed_t>(rate);
    settings.c_ispeed = static_cast<speed_t>(rate);
    return ioctl(fd, TCSETS2, &settings) == 0 ? 0 : -1;
}

#else

int termios2Supported(void) {
    return 0;
}

int termios2ReadSpeed(int, unsigned long*) {
    errno = ENOSYS;
    return -1;
}

int termios2WriteSpeed(int, unsigned long) {
    errno = ENOSYS;
    return -1;
}

#endif

#endif
