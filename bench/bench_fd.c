/* The benchmark's own side of the cable, outside every timed loop: opens a
 * pty in raw mode (VMIN 1, VTIME 0: reads block until a byte is there), feeds
 * and drains it, and waits until bytes have arrived.
 *
 *   fd = bench_fd('open', path)       n = bench_fd('waiting', fd)
 *   bench_fd('feed', fd, n)           bench_fd('waitfor', fd, n)   (at most 5 s)
 *   bench_fd('feedlines', fd, n)      n lines of 32 bytes, 31 'x' and LF
 *   bench_fd('drain', fd, n)          bench_fd('close', fd)
 *   bench_fd('raw', fd)               puts the line back to raw, VMIN 1, VTIME 0
 *   t = bench_fd('now')               CLOCK_MONOTONIC in seconds (tic/toc is the
 *                                     wall clock, which the time service may step)
 */
#include "mex.h"

#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static void makeRaw(int fd) {
    struct termios settings;
    if (tcgetattr(fd, &settings) != 0) mexErrMsgTxt("bench_fd: tcgetattr failed");
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &settings) != 0) mexErrMsgTxt("bench_fd: tcsetattr failed");
}

static int waiting(int fd) {
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0) return -1;
    return count;
}

static double seconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

/* Waits with poll: a peer under test may have set VMIN 0, so that a read
 * returns 0 rather than waiting. */
static void transfer(int fd, size_t count, int feeding, int lines) {
    unsigned char buffer[4096];
    memset(buffer, 'x', sizeof buffer);
    for (size_t i = 31; lines && i < sizeof buffer; i += 32) buffer[i] = '\n';
    size_t moved = 0;
    while (count > 0) {
        struct pollfd entry = {fd, feeding ? POLLOUT : POLLIN, 0};
        if (poll(&entry, 1, 5000) != 1) mexErrMsgTxt("bench_fd: transfer timed out");
        /* A short write goes on mid-line. */
        size_t at = feeding ? moved % 32 : 0;
        size_t chunk = count < sizeof buffer - at ? count : sizeof buffer - at;
        ssize_t done = feeding ? write(fd, buffer + at, chunk) : read(fd, buffer, chunk);
        if (done < 0) mexErrMsgTxt("bench_fd: transfer failed");
        count -= (size_t)done;
        moved += (size_t)done;
    }
}

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    (void)nlhs;
    if (nrhs < 1 || !mxIsChar(prhs[0])) mexErrMsgTxt("bench_fd: bad call");
    char* mode = mxArrayToString(prhs[0]);
    if (strcmp(mode, "now") == 0) {
        plhs[0] = mxCreateDoubleScalar(seconds());
        mxFree(mode);
        return;
    }
    if (nrhs < 2) mexErrMsgTxt("bench_fd: bad call");
    if (strcmp(mode, "open") == 0) {
        char* path = mxArrayToString(prhs[1]);
        int fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
        mxFree(path);
        if (fd < 0) mexErrMsgTxt("bench_fd: cannot open");
        makeRaw(fd);
        tcflush(fd, TCIOFLUSH);
        plhs[0] = mxCreateDoubleScalar(fd);
        mxFree(mode);
        return;
    }
    int fd = (int)mxGetScalar(prhs[1]);
    size_t count = nrhs > 2 ? (size_t)mxGetScalar(prhs[2]) : 0;
    if (strcmp(mode, "close") == 0) {
        close(fd);
    } else if (strcmp(mode, "raw") == 0) {
        makeRaw(fd);
    } else if (strcmp(mode, "waiting") == 0) {
        plhs[0] = mxCreateDoubleScalar(waiting(fd));
    } else if (strcmp(mode, "feed") == 0) {
        transfer(fd, count, 1, 0);
    } else if (strcmp(mode, "feedlines") == 0) {
        transfer(fd, count * 32, 1, 1);
    } else if (strcmp(mode, "drain") == 0) {
        transfer(fd, count, 0, 0);
    } else if (strcmp(mode, "waitfor") == 0) {
        double giveUp = seconds() + 5.0;
        while (waiting(fd) < (int)count) {
            if (seconds() > giveUp) mexErrMsgTxt("bench_fd: bytes did not arrive");
            poll(NULL, 0, 1);
        }
    } else {
        mexErrMsgTxt("bench_fd: unknown mode");
    }
    mxFree(mode);
}
