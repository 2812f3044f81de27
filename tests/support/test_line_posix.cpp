#include "test_line.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

TestLines::TestLines() {
    char pattern[] = "/tmp/brindlecast-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        fail(std::string("mkdtemp: ") + std::strerror(errno));
        return;
    }
    folder_ = pattern;
}

TestLines::~TestLines() {
    for (TestLine& line : lines_) closePtyPair(&line.pty);
    for (const std::string& link : links_) unlink(link.c_str());
    if (!folder_.empty()) rmdir(folder_.c_str());
}

void TestLines::fail(const std::string& what) {
    if (error_.empty()) error_ = what;
}

TestLine& TestLines::make(const std::string& name) {
    lines_.emplace_back();
    names_.push_back(name);
    TestLine& line = lines_.back();
    if (!openPtyPair(&line.pty)) {
        fail("openpty failed");
        return line;
    }
    line.port = alias(line, name);
    return line;
}

std::string TestLines::alias(const TestLine& line, const std::string& name) {
    std::string link = folder_ + "/" + name;
    if (symlink(line.pty.slavePath.c_str(), link.c_str()) != 0) {
        fail("symlink " + link + ": " + std::strerror(errno));
        return "";
    }
    links_.push_back(link);
    return link;
}

std::string TestLines::missingPort() const {
    return folder_ + "/missing-port";
}

std::string nonSerialDevice() {
    return "/dev/null";
}

bool farWrite(TestLine& line, const void* data, size_t size) {
    return writeAll(line.pty.master, data, size);
}

std::vector<uint8_t> farRead(TestLine& line, size_t max, int timeoutMs) {
    return readAvailable(line.pty.master, max, timeoutMs);
}

bool hangUp(TestLine& line) {
    closeMaster(&line.pty);
    return true;
}

bool portFree(const TestLine& line) {
    int fd = ::open(line.pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool claimed = flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return claimed;
}

int portDescriptors(const TestLine& line) {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    int count = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == line.pty.slave) continue;
        char target[PATH_MAX];
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        if (length > 0 && std::string(target, length) == line.pty.slavePath) ++count;
    }
    closedir(dir);
    return count;
}

LineSettings keptSettings(const TestLine& line) {
    static const struct {
        speed_t speed;
        uint32_t rate;
    } speeds[] = {
        {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
        {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
        {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    LineSettings kept;
    termios settings{};
    if (tcgetattr(line.pty.slave, &settings) != 0) return kept;
    kept.read = true;
    for (const auto& entry : speeds) {
        if (cfgetospeed(&settings) == entry.speed) kept.baudRate = entry.rate;
    }
    kept.twoStopBits = settings.c_cflag & CSTOPB;
    kept.oddParity = settings.c_cflag & PARODD;
    kept.stickParity = settings.c_cflag & CMSPAR;
    kept.rtsCts = settings.c_cflag & CRTSCTS;
    kept.xonOutput = settings.c_iflag & IXON;
    kept.xonInput = settings.c_iflag & IXOFF;
    return kept;
}
