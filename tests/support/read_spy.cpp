#include "read_spy.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<bool> counting{false};
std::atomic<int> counted{0};
// One descriptor at a time, read by one thread (the module's call).
std::atomic<int> failingFd{-1};
std::atomic<size_t> bytesBeforeFailure{0};
std::atomic<int> failureError{0};

using ReadFunction = ssize_t (*)(int, void*, size_t);

ReadFunction realRead() {
    static ReadFunction real = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
    return real;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ssize_t read(int fd, void* data, size_t size) {
    if (counting.load(std::memory_order_relaxed)) counted.fetch_add(1);
    ReadFunction real = realRead();
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    if (fd < 0 || fd != failingFd.load()) return real(fd, data, size);
    size_t left = bytesBeforeFailure.load();
    if (left == 0) {
        errno = failureError.load();
        return -1;
    }
    ssize_t got = real(fd, data, size < left ? size : left);
    if (got > 0) bytesBeforeFailure.fetch_sub(static_cast<size_t>(got));
    return got;
}

void spyCountReads(bool on) {
    if (on) counted.store(0);
    counting.store(on);
}

int spyReadsCounted() {
    return counted.load();
}

void spyFailReadsAfter(int fd, size_t bytes, int error) {
    bytesBeforeFailure.store(bytes);
    failureError.store(error);
    failingFd.store(fd);
}

void spyReadReset() {
    failingFd.store(-1);
}
