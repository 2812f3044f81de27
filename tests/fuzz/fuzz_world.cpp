#include "fuzz_world.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

// p0 and 0p, and p1 and 1p, have the same bytes and so the same FileID; 1p
// leads to another line than p1, so opening one replaces the other's port. q0
// is a second name with its own FileID for p0's line, which an open p0 holds.
const FolderEntry kFolderEntries[] = {
    {"p0", EntryKind::Line, 0},  {"p1", EntryKind::Line, 1},       {"p2", EntryKind::Line, 2},
    {"p3", EntryKind::Line, 3},  {"0p", EntryKind::Line, 0},       {"1p", EntryKind::Line, 2},
    {"q0", EntryKind::Line, 0},  {"file", EntryKind::File, -1},    {"fifo", EntryKind::Fifo, -1},
    {"", EntryKind::Folder, -1}, {"gone", EntryKind::Missing, -1}, {"p4", EntryKind::Missing, -1},
};
const size_t kFolderEntryCount = sizeof kFolderEntries / sizeof kFolderEntries[0];

World world;

std::string entryPath(const FolderEntry& entry) {
    return world.folder + "/" + entry.name;
}

bool setUpWorld(std::string* problem) {
    char pattern[] = "/tmp/brindlecast-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        *problem = "mkdtemp failed";
        return false;
    }
    world.folder = pattern;
    for (Line& line : world.lines) {
        if (!openPtyPair(&line.pair)) {
            *problem = "openpty failed";
            return false;
        }
        int flags = fcntl(line.pair.master, F_GETFL);
        fcntl(line.pair.master, F_SETFL, flags | O_NONBLOCK);
        fcntl(line.pair.slave, F_SETFL, fcntl(line.pair.slave, F_GETFL) | O_NONBLOCK);
        if (!resetLineSettings(line)) {
            *problem = "cannot set up " + line.pair.slavePath;
            return false;
        }
    }
    for (size_t i = 0; i < kFolderEntryCount; ++i) {
        const FolderEntry& entry = kFolderEntries[i];
        std::string path = entryPath(entry);
        bool made = true;
        switch (entry.kind) {
            case EntryKind::Line:
                made = symlink(world.lines[entry.line].pair.slavePath.c_str(), path.c_str()) == 0;
                break;
            case EntryKind::File: {
                int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
                made = fd >= 0;
                if (made) close(fd);
                break;
            }
            case EntryKind::Fifo: made = mkfifo(path.c_str(), 0600) == 0; break;
            default: break;
        }
        if (!made) {
            *problem = "cannot make " + path;
            return false;
        }
    }
    return true;
}

void tearDownWorld() {
    for (size_t i = 0; i < kFolderEntryCount; ++i) {
        if (kFolderEntries[i].name[0] != '\0') unlink(entryPath(kFolderEntries[i]).c_str());
    }
    if (!world.folder.empty()) rmdir(world.folder.c_str());
    for (Line& line : world.lines) closePtyPair(&line.pair);
}

bool resetLineSettings(Line& line) {
    struct termios settings;
    if (tcgetattr(line.pair.slave, &settings) != 0) return false;
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetspeed(&settings, B9600) != 0) return false;
    if (tcsetattr(line.pair.slave, TCSANOW, &settings) != 0) return false;
    line.rate = 9600;
    line.twoStopBits = false;
    line.xon = false;
    line.rtsCts = false;
    return true;
}

bool lineHeld(const Line& line) {
    int fd = open(line.pair.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EBUSY;
    bool claimed = flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd);
    return !claimed;
}

std::string deviceDescriptors() {
    std::string list;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return "(unreadable)";
    while (struct dirent* entry = readdir(dir)) {
        char target[512];
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        if (entry->d_name[0] == '.' || length <= 0) continue;
        std::string path(target, static_cast<size_t>(length));
        if (path.compare(0, 5, "/dev/") == 0 ||
            path.compare(0, world.folder.size(), world.folder) == 0) {
            list += std::string(" ") + entry->d_name + "->" + path;
        }
    }
    closedir(dir);
    return list;
}

void sendToPort(Line& line, const uint8_t* bytes, size_t count) {
    std::vector<uint8_t> sent;
    for (size_t i = 0; i < count; ++i) {
        if (!line.xon || (bytes[i] != 0x11 && bytes[i] != 0x13)) sent.push_back(bytes[i]);
    }
    ssize_t done;
    do {
        done = write(line.pair.master, sent.data(), sent.size());
    } while (done < 0 && errno == EINTR);
    for (ssize_t i = 0; i < done; ++i) line.toPort.push_back(sent[i]);
}

bool awaitArrival(Line& line, size_t held, bool exact, std::string* problem) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int waiting = 0;
    auto queued = [&] {
        if (ioctl(line.pair.slave, TIOCINQ, &waiting) == 0) return true;
        *problem = "TIOCINQ failed on " + line.pair.slavePath;
        return false;
    };
    for (;;) {
        if (!queued()) return false;
        size_t there = static_cast<size_t>(waiting) + held;
        if (!exact && there >= line.toPort.size()) return true;
        if (exact && there == line.toPort.size()) {
            // A poll of an empty queue moves the bytes still on their way into it.
            struct pollfd entry = {line.pair.slave, POLLIN, 0};
            poll(&entry, 1, 0);
            if (!queued()) return false;
            if (static_cast<size_t>(waiting) + held == line.toPort.size()) return true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            *problem = "the far end's bytes did not arrive: " + std::to_string(waiting) +
                       " queued and " + std::to_string(held) + " held of " +
                       std::to_string(line.toPort.size());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

namespace {

// Reads from fd (non-blocking) into expected's front, checking each byte.
// Waits up to timeoutMs, overall, for all of expected.
bool collect(int fd, std::deque<uint8_t>& expected, int timeoutMs, const char* what,
             std::string* problem) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    uint8_t chunk[4096];
    for (;;) {
        ssize_t done = read(fd, chunk, sizeof chunk);
        if (done > 0) {
            for (ssize_t i = 0; i < done; ++i) {
                if (expected.empty()) {
                    *problem = std::string(what) + ": more bytes than were sent";
                    return false;
                }
                if (expected.front() != chunk[i]) {
                    *problem = std::string(what) + ": a byte differs from what was sent";
                    return false;
                }
                expected.pop_front();
            }
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (expected.empty() || timeoutMs <= 0) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            *problem = std::string(what) + ": " + std::to_string(expected.size()) +
                       " bytes sent never arrived";
            return false;
        }
        struct pollfd entry = {fd, POLLIN, 0};
        poll(&entry, 1, static_cast<int>(left.count()));
    }
}

}  // namespace

bool collectFromPort(Line& line, int timeoutMs, std::string* problem) {
    return collect(line.pair.master, line.fromPort, timeoutMs, "written through the module",
                   problem);
}

bool collectUnread(Line& line, int timeoutMs, std::string* problem) {
    return collect(line.pair.slave, line.toPort, timeoutMs, "left unread on the port", problem);
}
