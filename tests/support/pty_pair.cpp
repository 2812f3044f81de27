#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

namespace {

void closeDescriptor(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

}  // namespace

bool openPtyPair(PtyPair* pair) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    char name[PATH_MAX];
    if (fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || fcntl(slave, F_SETFD, FD_CLOEXEC) != 0 ||
        ttyname_r(slave, name, sizeof name) != 0) {
        close(master);
        close(slave);
        return false;
    }
    pair->master = master;
    pair->slave = slave;
    pair->slavePath = name;
    return true;
}

void closePtyPair(PtyPair* pair) {
    closeDescriptor(&pair->slave);
    closeDescriptor(&pair->master);
}

void closeMaster(PtyPair* pair) {
    closeDescriptor(&pair->master);
}

bool writeAll(int fd, const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t done = write(fd, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0 && errno == EAGAIN) {
            struct pollfd entry = {fd, POLLOUT, 0};
            poll(&entry, 1, 100);
            continue;
        }
        if (done <= 0) return false;
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

std::vector<uint8_t> readAvailable(int fd, size_t max, int timeoutMs) {
    std::vector<uint8_t> data;
    uint8_t chunk[4096];
    while (data.size() < max) {
        struct pollfd entry = {fd, POLLIN, 0};
        int ready = poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0 || !(entry.revents & POLLIN)) break;
        size_t wanted = max - data.size() < sizeof chunk ? max - data.size() : sizeof chunk;
        ssize_t done = read(fd, chunk, wanted);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) break;
        data.insert(data.end(), chunk, chunk + done);
    }
    return data;
}

bool setReadTimeout(int fd, int vmin, int vtime) {
    struct termios settings;
    if (tcgetattr(fd, &settings) != 0) return false;
    settings.c_cc[VMIN] = static_cast<cc_t>(vmin);
    settings.c_cc[VTIME] = static_cast<cc_t>(vtime);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

std::string makeSymlink(const std::string& target, const std::string& dir) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = dir + "/pty-link-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter.fetch_add(1));
        if (symlink(target.c_str(), path.c_str()) == 0) return path;
        if (errno != EEXIST) break;
    }
    return "";
}
