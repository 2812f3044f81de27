/* A far end that streams at a fixed rate and drops what the port will not
 * take, as a UART without flow control does: the benchmark's device for the
 * port's reader (InputBufferSize).
 *
 *   stream_far_end PATH RATE SECONDS
 *
 * Opens PATH (one end of a socat pair) raw and non-blocking and, every
 * millisecond for SECONDS, writes the bytes due by then at RATE bytes a
 * second. Byte i of the stream is i % 251, so that a gap shows wherever the
 * reader of the other end looks. A write the line does not take whole (EAGAIN
 * or short) drops the rest of that millisecond's bytes; the stream goes on
 * from where it would have been. Prints "generated G dropped D" at the end. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static double since(const struct timespec* start) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - start->tv_sec) + (now.tv_nsec - start->tv_nsec) * 1e-9;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: stream_far_end PATH RATE SECONDS\n");
        return 2;
    }
    double rate = atof(argv[2]);
    double seconds = atof(argv[3]);
    int fd = open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        perror("stream_far_end: open");
        return 1;
    }
    struct termios settings;
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
    unsigned long long total = (unsigned long long)(rate * seconds);
    unsigned long long generated = 0, dropped = 0;
    unsigned char chunk[65536];
    struct timespec start, tick;
    clock_gettime(CLOCK_MONOTONIC, &start);
    tick = start;
    while (generated < total) {
        unsigned long long due = (unsigned long long)(since(&start) * rate);
        if (due > total) due = total;
        while (generated < due) {
            size_t count = due - generated < sizeof chunk ? (size_t)(due - generated) : sizeof chunk;
            for (size_t i = 0; i < count; ++i) chunk[i] = (unsigned char)((generated + i) % 251);
            ssize_t done = write(fd, chunk, count);
            if (done < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                perror("stream_far_end: write");
                return 1;
            }
            size_t taken = done > 0 ? (size_t)done : 0;
            dropped += count - taken;
            generated += count;
        }
        tick.tv_nsec += 1000000L;
        if (tick.tv_nsec >= 1000000000L) {
            tick.tv_nsec -= 1000000000L;
            tick.tv_sec += 1;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &tick, NULL) == EINTR) {
        }
    }
    /* What the line holds still reaches the other end before the close. */
    tcdrain(fd);
    sleep(1);
    close(fd);
    printf("generated %llu dropped %llu\n", generated, dropped);
    return 0;
}
