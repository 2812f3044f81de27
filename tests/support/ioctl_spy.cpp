#include "ioctl_spy.h"

#include <dlfcn.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdarg>
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
        if (state.failing && request == state.failRequest) {
            errno = state.failError;
            return -1;
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
    state.failing = false;
}
