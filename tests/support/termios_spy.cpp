#include "termios_spy.h"

#include <dlfcn.h>

#include <cerrno>
#include <map>
#include <mutex>

namespace {

struct SpyState {
    std::mutex lock;
    std::map<int, struct termios> last;
    int calls = 0;
    int lastFlush = -1;
};

SpyState& spyState() {
    static SpyState* state = new SpyState;  // never destroyed: tcsetattr may run at exit
    return *state;
}

using TcsetattrFunction = int (*)(int, int, const struct termios*);

TcsetattrFunction realTcsetattr() {
    static TcsetattrFunction real =
        reinterpret_cast<TcsetattrFunction>(dlsym(RTLD_NEXT, "tcsetattr"));
    return real;
}

}  // namespace

// Declared __THROW (noexcept in C++) by glibc; the definition must say the same.
#ifndef __THROW
#define __THROW
#endif

extern "C" __attribute__((visibility("default"))) int tcsetattr(
    int fd, int action, const struct termios* settings) __THROW {
    if (settings != nullptr) {
        SpyState& state = spyState();
        std::lock_guard<std::mutex> guard(state.lock);
        state.last[fd] = *settings;
        ++state.calls;
    }
    TcsetattrFunction real = realTcsetattr();
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, action, settings);
}

bool spyLastTermios(int fd, struct termios* out) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.last.find(fd);
    if (found == state.last.end()) return false;
    *out = found->second;
    return true;
}

int spyTcsetattrCalls() {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.calls;
}

void spyReset() {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.last.clear();
    state.calls = 0;
    state.lastFlush = -1;
}

extern "C" __attribute__((visibility("default"))) int tcflush(int fd, int queue) __THROW {
    {
        SpyState& state = spyState();
        std::lock_guard<std::mutex> guard(state.lock);
        state.lastFlush = queue;
    }
    using TcflushFunction = int (*)(int, int);
    static TcflushFunction real = reinterpret_cast<TcflushFunction>(dlsym(RTLD_NEXT, "tcflush"));
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, queue);
}

int spyLastTcflush() {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.lastFlush;
}
