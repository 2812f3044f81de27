// ListSerialPorts on POSIX: the ttys of /sys/class/tty that have a device,
// and the bound Bluetooth ttys, which have none there.
#if !defined(_WIN32)

#include "device/posix_port_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// A serial8250 port with no UART behind it has type 0 (PORT_UNKNOWN); other
// ttys have no type file.
bool hasNoUart(const std::string& entry) {
    int fd = open((entry + "/type").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[16];
    ssize_t length = read(fd, text, sizeof text);
    close(fd);
    if (length <= 0) return false;
    std::string type(text, static_cast<size_t>(length));
    return type == "0" || type == "0\n";
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
        std::string entry = std::string(classFolder) + "/" + item->d_name;
        struct stat link;
        if (lstat((entry + "/device").c_str(), &link) != 0) {
            if (!isBluetoothTty(item->d_name)) continue;
        } else if (hasNoUart(entry)) {
            continue;
        }
        if (!found(entry.c_str(), ("/dev/" + std::string(item->d_name)).c_str(), context)) break;
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
