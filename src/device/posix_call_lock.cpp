#if !defined(_WIN32)

#include "device/posix_call_lock.h"

#include <pthread.h>

#include <cerrno>

namespace {

constexpr int kLocks = 1024;

pthread_mutex_t locks[kLocks];
pthread_once_t locksMade = PTHREAD_ONCE_INIT;

void makeLocks() {
    for (pthread_mutex_t& lock : locks) pthread_mutex_init(&lock, nullptr);
}

pthread_mutex_t* lockOf(int fd) {
    pthread_once(&locksMade, makeLocks);
    return &locks[fd % kLocks];
}

}  // namespace

void holdPortCalls(int fd) {
    pthread_mutex_lock(lockOf(fd));
}

void releasePortCalls(int fd) {
    int error = errno;
    pthread_mutex_unlock(lockOf(fd));
    errno = error;
}

#endif
