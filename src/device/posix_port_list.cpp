// ListSerialPorts on POSIX: the ttys of /sys/class/tty that have a device,
// and the bound Bluetooth ttys, which have none there.
#if !defined(_WIN32)

#include "device/posix_port_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// A serial8250 port with no UART behind it has type 0 (PORT_UNKNOWN); other
// ttys have no type file.
bool hasNoUart(const char* entry) {
    char path[PATH_MAX];
    if (std::snprintf(path, sizeof path, "%s/type", entry) >= static_cast<int>(sizeof path))
        return false;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[16];
    ssize_t length = read(fd, text, sizeof text);
    close(fd);
    return (length == 1 && text[0] == '0') || (length == 2 && text[0] == '0' && text[1] == '\n');
}

// rfcomm ttys exist only while bound to a remote device, and sysfs shows no
// device behind them: the name alone tells.
bool isBluetoothTty(const char* name) {
    return std::strncmp(name, "rfcomm", 6) == 0;
}

struct NameOnly {
    PortNameFound found;
    void* context;
};

BOOL passName(const char*, const char* name, void* context) {
    NameOnly* names = static_cast<NameOnly*>(context);
    return names->found(name, names->context);
}

}  // namespace

BOOL walkTtyPorts(const char* classFolder, TtyPortFound found, void* context) {
    DIR* folder = opendir(classFolder);
    if (folder == nullptr) return errno == ENOENT || errno == ENOTDIR ? TRUE : FALSE;
    BOOL listed = TRUE;
    for (;;) {
        errno = 0;
        const dirent* item = readdir(folder);
        if (item == nullptr) {
            if (errno != 0) listed = FALSE;
            break;
        }
        if (item->d_name[0] == '.') continue;
        // Plain buffers: found may call the host, whose errors never return.
        char entry[PATH_MAX], device[PATH_MAX], name[PATH_MAX];
        if (std::snprintf(entry, sizeof entry, "%s/%s", classFolder, item->d_name) >=
                static_cast<int>(sizeof entry) ||
            std::snprintf(device, sizeof device, "%s/device", entry) >=
                static_cast<int>(sizeof device))
            continue;
        std::snprintf(name, sizeof name, "/dev/%s", item->d_name);
        struct stat link;
        if (lstat(device, &link) != 0) {
            if (!isBluetoothTty(item->d_name)) continue;
        } else if (hasNoUart(entry)) {
            continue;
        }
        if (!found(entry, name, context)) break;
    }
    closedir(folder);
    return listed;
}

BOOL listTtyPorts(const char* root, PortNameFound found, void* context) {
    NameOnly names = {found, context};
    return walkTtyPorts(root, passName, &names);
}

BOOL ListSerialPorts(PortNameFound found, void* context) {
    return listTtyPorts("/sys/class/tty", found, context);
}

BOOL ListSerialPortIdentities(PortIdentityFound found, void* context) {
    return listTtyPortIdentities("/sys", found, context);
}

#endif
