#include "thread_count.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>
#else
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <chrono>
#include <string>
#include <thread>

namespace {

template <typename Done>
bool within2Seconds(Done done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

int countThreads() {
    int count = 0;
#if defined(_WIN32)
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
#else
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return -1;
    while (dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
    closedir(tasks);
#endif
    return count;
}

bool threadsSettleAt(int count) {
    return within2Seconds([count] { return countThreads() == count; });
}

void startFirstThread() {
#if defined(_WIN32)
    std::thread([] {}).join();
#else
    pid_t joined = 0;
    std::thread([&joined] { joined = static_cast<pid_t>(syscall(SYS_gettid)); }).join();
    std::string task = "/proc/self/task/" + std::to_string(joined);
    within2Seconds([&task] { return access(task.c_str(), F_OK) != 0; });
#endif
}
