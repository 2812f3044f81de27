/* The system calls alone, with no host around them: the same three
 * measurements the Octave loops make, on the same socat cable.
 *
 *   raw_c A B CALLS BATCH BULK_BYTES CHUNK RELAY_PID
 *
 * The relay (socat) is stopped while a batch of writes is timed, as in
 * bench_octave.m.
 * Prints "raw_c write1_us X", "raw_c read1_us X" and "raw_c bulk_MBps X":
 * the fastest of the batches of BATCH calls and the best of 8 bulk transfers,
 * as summarize.py takes the Octave implementations' figures; MB is 10^6
 * bytes. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static double seconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

static void fail(const char* what) {
    perror(what);
    exit(1);
}

static int openRaw(const char* path) {
    int fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) fail(path);
    struct termios settings;
    if (tcgetattr(fd, &settings) != 0) fail("tcgetattr");
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &settings) != 0) fail("tcsetattr");
    tcflush(fd, TCIOFLUSH);
    return fd;
}

static void transfer(int fd, unsigned char* buffer, size_t count, int writing) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = writing ? write(fd, buffer + done, count - done)
                            : read(fd, buffer + done, count - done);
        if (n <= 0) fail(writing ? "write" : "read");
        done += (size_t)n;
    }
}

static void waitFor(int fd, int count) {
    double giveUp = seconds() + 5.0;
    int waiting = 0;
    while (ioctl(fd, FIONREAD, &waiting) == 0 && waiting < count) {
        if (seconds() > giveUp) fail("bytes did not arrive");
        poll(NULL, 0, 1);
    }
}

static double least(const double* values, int count) {
    double best = values[0];
    for (int i = 1; i < count; ++i) best = values[i] < best ? values[i] : best;
    return best;
}

int main(int argc, char** argv) {
    if (argc != 8) {
        fprintf(stderr, "usage: raw_c A B CALLS BATCH BULK_BYTES CHUNK RELAY_PID\n");
        return 2;
    }
    int a = openRaw(argv[1]);
    int b = openRaw(argv[2]);
    int calls = atoi(argv[3]), batch = atoi(argv[4]);
    size_t bulk = strtoul(argv[5], NULL, 10), chunk = strtoul(argv[6], NULL, 10);
    pid_t relay = (pid_t)atoi(argv[7]);
    int batches = calls / batch;
    double* perCall = malloc(sizeof(double) * (size_t)batches);
    unsigned char* buffer = malloc(bulk > (size_t)batch ? bulk : (size_t)batch);
    memset(buffer, 'x', bulk > (size_t)batch ? bulk : (size_t)batch);
    unsigned char byte = 'x';

    for (int k = 0; k < batches; ++k) {
        kill(relay, SIGSTOP);
        double start = seconds();
        for (int i = 0; i < batch; ++i) {
            if (write(a, &byte, 1) != 1) fail("write");
        }
        perCall[k] = (seconds() - start) / batch;
        kill(relay, SIGCONT);
        transfer(b, buffer, (size_t)batch, 0);
    }
    printf("raw_c write1_us %.3f\n", least(perCall, batches) * 1e6);

    for (int k = 0; k < batches; ++k) {
        transfer(a, buffer, (size_t)batch, 1);
        waitFor(b, batch);
        double start = seconds();
        for (int i = 0; i < batch; ++i) {
            if (read(b, &byte, 1) != 1) fail("read");
        }
        perCall[k] = (seconds() - start) / batch;
    }
    printf("raw_c read1_us %.3f\n", least(perCall, batches) * 1e6);

    double seconds8[8];
    for (int k = 0; k < 8; ++k) {
        double start = seconds();
        for (size_t sent = 0; sent < bulk; sent += chunk) {
            transfer(a, buffer + sent, chunk, 1);
            transfer(b, buffer + sent, chunk, 0);
        }
        seconds8[k] = seconds() - start;
    }
    printf("raw_c bulk_MBps %.2f\n", bulk / least(seconds8, 8) / 1e6);
    close(a);
    close(b);
    return 0;
}
