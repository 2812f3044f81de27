#include "ioctl_spy.h"

#include <dlfcn.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <map>
#include <mutex>

namespace {

struct ModemLines {
    int raised = 0;
    int dropped = 0;
};

struct SpyState {
    std::mutex lock;
    std::map<int, ModemLines> lines;
    std::map<int, std::string> breaks;
    bool fakingLines = false;
    int fakeLines = 0;
    bool fakingOutputQueue = false;
    int fakeOutputQueue = 0;
    bool fakingCounts = false;
    serial_icounter_struct fakeCounts = {};
    bool failingNonBlocking = false;
    int nonBlockingError = 0;
    bool failing = false;
    unsigned long failRequest = 0;
    int failError = 0;
};

SpyState& spyState() {
    static SpyState* state = new SpyState;  // never destroyed: ioctl may run at exit
    return *state;
}

using IoctlFunction = int (*)(int, unsigned long, ...);

IoctlFunction realIoctl() {
    static IoctlFunction real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    return real;
}

}  // namespace

#ifndef __THROW
#define __THROW
#endif

// glibc's prototype. The third argument is taken as a pointer whether or not
// the caller gave one, exactly as glibc's own ioctl does, so the device sees
// what it would have seen without the spy.
extern "C" __attribute__((visibility("default"))) int ioctl(int fd, unsigned long request,
                                                            ...) __THROW {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    {
        SpyState& state = spyState();
        std::lock_guard<std::mutex> guard(state.lock);
        if ((request == TIOCMBIS || request == TIOCMBIC) && argument != nullptr) {
            int mask = *static_cast<const int*>(argument);
            ModemLines& lines = state.lines[fd];
            (request == TIOCMBIS ? lines.raised : lines.dropped) |= mask;
        }
        if (request == TIOCSBRK || request == TIOCCBRK)
            state.breaks[fd] += request == TIOCSBRK ? 'S' : 'C';
        if (state.failing && request == state.failRequest) {
            errno = state.failError;
            return -1;
        }
        if (state.fakingLines && request == TIOCMGET && argument != nullptr) {
            *static_cast<int*>(argument) = state.fakeLines;
            return 0;
        }
        if (state.fakingOutputQueue && request == TIOCOUTQ && argument != nullptr) {
            *static_cast<int*>(argument) = state.fakeOutputQueue;
            return 0;
        }
        if (state.fakingCounts && request == TIOCGICOUNT && argument != nullptr) {
            *static_cast<serial_icounter_struct*>(argument) = state.fakeCounts;
            return 0;
        }
    }
    IoctlFunction real = realIoctl();
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, request, argument);
}

int spyModemLinesRaised(int fd) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.lines.find(fd);
    return found == state.lines.end() ? 0 : found->second.raised;
}

int spyModemLinesDropped(int fd) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.lines.find(fd);
    return found == state.lines.end() ? 0 : found->second.dropped;
}

void spyFailIoctl(unsigned long request, int error) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.failing = true;
    state.failRequest = request;
    state.failError = error;
}

void spyIoctlReset() {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.lines.clear();
    state.breaks.clear();
    state.failing = false;
    state.fakingLines = false;
    state.fakingOutputQueue = false;
    state.fakingCounts = false;
    state.failingNonBlocking = false;
}

void spyFakeOutputQueue(int bytes) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.fakingOutputQueue = true;
    state.fakeOutputQueue = bytes;
}

void spyFakeLineErrorCounts(int overrun, int bufOverrun, int frame, int parity, int brk) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.fakingCounts = true;
    state.fakeCounts = {};
    state.fakeCounts.overrun = overrun;
    state.fakeCounts.buf_overrun = bufOverrun;
    state.fakeCounts.frame = frame;
    state.fakeCounts.parity = parity;
    state.fakeCounts.brk = brk;
}

void spyFakeModemLines(int lines) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.fakingLines = true;
    state.fakeLines = lines;
}

std::string spyBreakRequests(int fd) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.breaks.find(fd);
    return found == state.breaks.end() ? "" : found->second;
}

void spyFailSettingNonBlocking(int error) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.failingNonBlocking = true;
    state.nonBlockingError = error;
}

using FcntlFunction = int (*)(int, int, ...);

// glibc's prototype; the third argument is passed on as a pointer-sized
// value, which carries an int or a pointer alike on the platforms built here.
extern "C" __attribute__((visibility("default"))) int fcntl(int fd, int command, ...) {
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (command == F_SETFL) {
        SpyState& state = spyState();
        std::lock_guard<std::mutex> guard(state.lock);
        int flags = static_cast<int>(reinterpret_cast<intptr_t>(argument));
        if (state.failingNonBlocking && (flags & O_NONBLOCK)) {
            errno = state.nonBlockingError;
            return -1;
        }
    }
    static FcntlFunction real = reinterpret_cast<FcntlFunction>(dlsym(RTLD_NEXT, "fcntl"));
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, command, argument);
}
