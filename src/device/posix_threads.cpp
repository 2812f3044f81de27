// CreateThread, WaitForSingleObject and the critical sections over pthreads.
#if !defined(_WIN32)

#include "device/posix_threads.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <new>

namespace {

// A thread's handle is its record's address with this bit set: no descriptor
// plus one reaches it, nor does a user-space address.
constexpr uintptr_t kThreadTag = uintptr_t(1) << 62;

struct ThreadRecord {
    pthread_t thread;
    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
    pthread_mutex_t lock;  // guards the two flags
    pthread_cond_t returned;
    bool finished;      // start has returned
    bool handleClosed;  // the thread frees the record when it finishes
};

ThreadRecord* recordOf(HANDLE handle) {
    return reinterpret_cast<ThreadRecord*>(reinterpret_cast<uintptr_t>(handle) & ~kThreadTag);
}

void freeRecord(ThreadRecord* record) {
    pthread_cond_destroy(&record->returned);
    pthread_mutex_destroy(&record->lock);
    delete record;
}

void* runThread(void* argument) {
    ThreadRecord* record = static_cast<ThreadRecord*>(argument);
    record->start(record->parameter);
    pthread_mutex_lock(&record->lock);
    record->finished = true;
    bool orphaned = record->handleClosed;
    pthread_cond_broadcast(&record->returned);
    pthread_mutex_unlock(&record->lock);
    if (orphaned) freeRecord(record);
    return nullptr;
}

// The monotonic time milliseconds from now.
bool deadlineIn(DWORD milliseconds, struct timespec* at) {
    if (clock_gettime(CLOCK_MONOTONIC, at) != 0) return false;
    at->tv_sec += static_cast<time_t>(milliseconds / 1000);
    at->tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (at->tv_nsec >= 1000000000L) {
        at->tv_nsec -= 1000000000L;
        at->tv_sec += 1;
    }
    return true;
}

}  // namespace

bool isThreadHandle(HANDLE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    return handle != INVALID_HANDLE_VALUE && (value & kThreadTag) != 0;
}

HANDLE CreateThread(LPVOID security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId) {
    if (security != nullptr || stackSize != 0 || start == nullptr || flags != 0 ||
        threadId != nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    ThreadRecord* record = new (std::nothrow) ThreadRecord;
    if (record == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    record->start = start;
    record->parameter = parameter;
    record->finished = false;
    record->handleClosed = false;
    pthread_condattr_t clock;
    pthread_condattr_init(&clock);
    pthread_condattr_setclock(&clock, CLOCK_MONOTONIC);
    pthread_cond_init(&record->returned, &clock);
    pthread_condattr_destroy(&clock);
    pthread_mutex_init(&record->lock, nullptr);

    // The new thread starts with every signal blocked, as it inherits the mask.
    sigset_t all, kept;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &kept);
    int failed = pthread_create(&record->thread, nullptr, runThread, record);
    pthread_sigmask(SIG_SETMASK, &kept, nullptr);
    if (failed != 0) {
        freeRecord(record);
        errno = failed;
        return nullptr;
    }
    return reinterpret_cast<HANDLE>(reinterpret_cast<uintptr_t>(record) | kThreadTag);
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
    if (!isThreadHandle(object)) {
        errno = EBADF;
        return WAIT_FAILED;
    }
    ThreadRecord* record = recordOf(object);
    struct timespec at;
    if (milliseconds != INFINITE && !deadlineIn(milliseconds, &at)) return WAIT_FAILED;
    pthread_mutex_lock(&record->lock);
    int waited = 0;
    while (!record->finished && waited != ETIMEDOUT) {
        waited = milliseconds == INFINITE
                     ? pthread_cond_wait(&record->returned, &record->lock)
                     : pthread_cond_timedwait(&record->returned, &record->lock, &at);
    }
    bool finished = record->finished;
    pthread_mutex_unlock(&record->lock);
    return finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL closeThreadHandle(HANDLE handle) {
    ThreadRecord* record = recordOf(handle);
    pthread_t thread = record->thread;
    pthread_mutex_lock(&record->lock);
    bool finished = record->finished;
    record->handleClosed = !finished;
    pthread_mutex_unlock(&record->lock);
    if (!finished) {
        // It runs on and frees its record when it returns.
        pthread_detach(thread);
        return TRUE;
    }
    pthread_join(thread, nullptr);
    freeRecord(record);
    return TRUE;
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_init(&section->mutex, nullptr);
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_lock(&section->mutex);
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_unlock(&section->mutex);
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    pthread_mutex_destroy(&section->mutex);
}

#endif
