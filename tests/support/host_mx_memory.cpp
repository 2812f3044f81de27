// libmx's memory manager and call bookkeeping. Every block is its own malloc,
// never pooled, so AddressSanitizer sees overruns and use after reclaim.
#include "host_internal_mx.h"
#include "test_host.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace {

struct Block {
    size_t size;
    bool persistent;
};

// Never destroyed: a test's static objects may still release arrays or
// blocks while the process exits.
std::unordered_map<void*, Block>& blocks() {
    static auto* map = new std::unordered_map<void*, Block>;
    return *map;
}

int g_failCountdown = 0;
bool g_inCall = false;

// libmx is loaded before main runs, so this is the test's main thread.
#if defined(_WIN32)
const DWORD g_hostThread = GetCurrentThreadId();
bool onHostThread() {
    return GetCurrentThreadId() == g_hostThread;
}
#else
const pthread_t g_hostThread = pthread_self();
bool onHostThread() {
    return pthread_equal(pthread_self(), g_hostThread) != 0;
}
#endif

bool injectedFailure() {
    if (g_failCountdown > 0) {
        --g_failCountdown;
        return g_failCountdown == 0;
    }
    return false;
}

}  // namespace

void thiAbort(const std::string& message) {
    std::fprintf(stderr, "\ntest host: %s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

void thiRefuse(const char* function, const std::string& message) {
    // Outside a call nobody would take the error: a test's own misuse.
    if (!g_inCall) thiAbort(std::string(function) + " outside a call: " + message);
    throw ThHostError{std::string("testhost:") + function, std::string(function) + ": " + message};
}

void thiCheckThread(const char* function) {
    if (!onHostThread()) {
        thiAbort(std::string(function) +
                 " called from a thread other than the host's; the mx/mex API is single-threaded");
    }
}

bool thiInCall() {
    return g_inCall;
}

void thiBeginCall() {
    if (g_inCall) thiAbort("a call started while another one is still running");
    g_inCall = true;
}

size_t thiEndCall(bool failed, mxArray** plhs, size_t slots) {
    thiEndCallArrays(failed, plhs, slots);
    size_t reclaimed = 0;
    auto& all = blocks();
    for (auto it = all.begin(); it != all.end();) {
        if (it->second.persistent) {
            ++it;
            continue;
        }
        std::free(it->first);
        it = all.erase(it);
        ++reclaimed;
    }
    g_inCall = false;
    return reclaimed;
}

void* thiAllocateBlock(size_t size) {
    thiCheckThread("allocation");
    if (injectedFailure()) return nullptr;
    void* block = std::malloc(size);
    if (block == nullptr && size == 0) block = std::malloc(1);  // malloc(0) may give null
    if (block == nullptr) return nullptr;
    blocks()[block] = Block{size, false};
    return block;
}

void thiMakePersistent(void* block) {
    if (block == nullptr) return;
    auto it = blocks().find(block);
    if (it == blocks().end()) {
        thiAbort("mexMakeMemoryPersistent of a pointer that is not a live host block");
    }
    it->second.persistent = true;
}

void* mxMalloc(size_t size) {
    thiCheckThread("mxMalloc");
    return thiAllocateBlock(size);
}

void* mxCalloc(size_t count, size_t size) {
    thiCheckThread("mxCalloc");
    // An impossible size is refused outright; it does not count as an allocation.
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    void* block = thiAllocateBlock(count * size);
    if (block != nullptr) std::memset(block, 0, count * size);
    return block;
}

void mxFree(void* block) {
    thiCheckThread("mxFree");
    if (block == nullptr) return;
    auto it = blocks().find(block);
    if (it == blocks().end()) {
        thiAbort(
            "mxFree of a pointer that is not a live host block (freed twice, reclaimed "
            "at the end of an earlier call, or never from mxMalloc/mxCalloc/mxArrayToString)");
    }
    blocks().erase(it);
    std::free(block);
}

size_t thLiveBlocks() {
    return blocks().size();
}

size_t thPersistentBlocks() {
    size_t count = 0;
    for (const auto& entry : blocks()) {
        if (entry.second.persistent) ++count;
    }
    return count;
}

void thFailAllocation(int n) {
    g_failCountdown = n > 0 ? n : 0;
}
