#include "read_spy.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<bool> counting{false};
std::atomic<int> counted{0};

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
    return real(fd, data, size);
}

void spyCountReads(bool on) {
    if (on) counted.store(0);
    counting.store(on);
}

int spyReadsCounted() {
    return counted.load();
}
