// ListSerialPortIdentities on POSIX: a port's USB device, read from sysfs.
// A tty of a USB serial converter (ttyUSB, subsystem usb-serial) sits under
// the USB interface it serves; a tty of a USB interface itself (ttyACM,
// cdc_acm: subsystem usb) is that interface. The interface's parent is the
// USB device, whose attribute files hold the ids and strings.
#if !defined(_WIN32)

#include "device/posix_port_list.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Sized for a USB string descriptor (126 UTF-16 units) in UTF-8, with room.
const size_t kTextSize = 512;

// An attribute file's text without surrounding white space (sysfs ends each
// with a newline; bNumInterfaces pads with a space), up to a NUL as a host
// text would end there; "" when it cannot be read.
void readAttribute(const char* folder, const char* name, char* text) {
    text[0] = '\0';
    char path[PATH_MAX];
    if (folder[0] == '\0' ||
        std::snprintf(path, sizeof path, "%s/%s", folder, name) >= static_cast<int>(sizeof path))
        return;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ssize_t length = read(fd, text, kTextSize - 1);
    close(fd);
    text[length > 0 ? length : 0] = '\0';
    const char* space = " \t\r\n";
    size_t first = std::strspn(text, space);
    size_t last = std::strlen(text);
    while (last > first && std::strchr(space, text[last - 1]) != nullptr) --last;
    std::memmove(text, text + first, last - first);
    text[last - first] = '\0';
}

const char* lastPart(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash == nullptr ? path : slash + 1;
}

// The folder path names lies in ("" for none), into parent (PATH_MAX bytes).
void parentOf(const char* path, char* parent) {
    const char* slash = std::strrchr(path, '/');
    size_t length = slash == nullptr ? 0 : static_cast<size_t>(slash - path);
    std::memcpy(parent, path, length);
    parent[length] = '\0';
}

// Whether the bus a sysfs device folder's "subsystem" link points to is bus.
bool onBus(const char* device, const char* bus) {
    char path[PATH_MAX], target[PATH_MAX];
    if (std::snprintf(path, sizeof path, "%s/subsystem", device) >= static_cast<int>(sizeof path))
        return false;
    ssize_t length = readlink(path, target, sizeof target - 1);
    if (length <= 0) return false;
    target[length] = '\0';
    return std::strcmp(lastPart(target), bus) == 0;
}

// An id file's four hex digits; -1 for anything else.
long hexId(const char* folder, const char* name) {
    char text[kTextSize];
    readAttribute(folder, name, text);
    if (std::strlen(text) != 4 || std::strspn(text, "0123456789abcdefABCDEF") != 4) return -1;
    return std::strtol(text, nullptr, 16);
}

struct Listing {
    PortIdentityFound found;
    void* context;
};

// Plain buffers throughout: found may call the host, whose errors never return.
BOOL identify(const char* classEntry, const char* name, void* context) {
    Listing* listing = static_cast<Listing*>(context);
    char serial[kTextSize] = "", manufacturer[kTextSize] = "", product[kTextSize] = "";
    char interfaceName[kTextSize] = "", count[kTextSize] = "", description[2 * kTextSize + 4];
    char link[PATH_MAX], device[PATH_MAX] = "", usbInterface[PATH_MAX] = "",
                         usbDevice[PATH_MAX] = "";
    const char* transport = "native";
    const char* location = "";
    long vendorId = -1, productId = -1;

    if (std::snprintf(link, sizeof link, "%s/device", classEntry) < static_cast<int>(sizeof link) &&
        realpath(link, device) == nullptr)
        device[0] = '\0';
    if (device[0] != '\0' && onBus(device, "usb-serial")) parentOf(device, usbInterface);
    if (device[0] != '\0' && onBus(device, "usb")) std::strcpy(usbInterface, device);
    if (usbInterface[0] != '\0') parentOf(usbInterface, usbDevice);
    if (usbDevice[0] != '\0') {
        transport = "usb";
        vendorId = hexId(usbDevice, "idVendor");
        productId = hexId(usbDevice, "idProduct");
        readAttribute(usbDevice, "serial", serial);
        readAttribute(usbDevice, "manufacturer", manufacturer);
        readAttribute(usbDevice, "product", product);
        readAttribute(usbInterface, "interface", interfaceName);
        // One interface: the device's path ("1-2.4"); several: the interface's ("1-2.4:1.1").
        readAttribute(usbDevice, "bNumInterfaces", count);
        location = lastPart(std::atoi(count) > 1 ? usbInterface : usbDevice);
    } else if (device[0] == '\0' && std::strncmp(lastPart(classEntry), "rfcomm", 6) == 0) {
        transport = "bluetooth";
    }

    const char* shown = product[0] != '\0'        ? product
                        : manufacturer[0] != '\0' ? manufacturer
                                                  : name;
    if (product[0] != '\0' && interfaceName[0] != '\0') {
        std::snprintf(description, sizeof description, "%s - %s", product, interfaceName);
    } else {
        std::snprintf(description, sizeof description, "%s", shown);
    }

    PortIdentity identity = {name,         transport, vendorId,      productId, serial,
                             manufacturer, product,   interfaceName, location,  description};
    return listing->found(&identity, listing->context);
}

}  // namespace

BOOL listTtyPortIdentities(const char* sysfsRoot, PortIdentityFound found, void* context) {
    Listing listing = {found, context};
    char classFolder[PATH_MAX];
    if (std::snprintf(classFolder, sizeof classFolder, "%s/class/tty", sysfsRoot) >=
        static_cast<int>(sizeof classFolder))
        return FALSE;
    return walkTtyPorts(classFolder, identify, &listing);
}

#endif
