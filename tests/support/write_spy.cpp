#include "write_spy.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>

namespace {

struct SpyState {
    std::mutex lock;
    std::map<int, size_t> limits;
    // Read without the lock, so that writes cost nothing extra while no limit is set.
    std::atomic<bool> limited{false};
};

SpyState& spyState() {
    static SpyState* state = new SpyState;  // never destroyed: write may run at exit
    return *state;
}

using WriteFunction = ssize_t (*)(int, const void*, size_t);

WriteFunction realWrite() {
    static WriteFunction real = reinterpret_cast<WriteFunction>(dlsym(RTLD_NEXT, "write"));
    return real;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ssize_t write(int fd, const void* data,
                                                                size_t size) {
    SpyState& state = spyState();
    if (state.limited.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(state.lock);
        auto found = state.limits.find(fd);
        if (found != state.limits.end() && size > found->second) size = found->second;
    }
    WriteFunction real = realWrite();
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    return real(fd, data, size);
}

void spyShortWrites(int fd, size_t most) {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    if (most == 0) {
        state.limits.erase(fd);
    } else {
        state.limits[fd] = most;
    }
    state.limited.store(!state.limits.empty(), std::memory_order_release);
}

void spyWriteReset() {
    SpyState& state = spyState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.limits.clear();
    state.limited.store(false, std::memory_order_release);
}
