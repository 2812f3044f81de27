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

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// An attribute file's text without surrounding white space (sysfs ends each
// with a newline; bNumInterfaces pads with a space); "" when it cannot be read.
std::string readAttribute(const std::string& folder, const char* name) {
    int fd = open((folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    char text[1024];
    ssize_t length = read(fd, text, sizeof text - 1);
    close(fd);
    if (length <= 0) return "";
    text[length] = '\0';
    std::string value(text);  // up to a NUL, as a host text would end there
    const char* space = " \t\r\n";
    size_t first = value.find_first_not_of(space);
    if (first == std::string::npos) return "";
    return value.substr(first, value.find_last_not_of(space) - first + 1);
}

std::string lastPart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string parentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "" : path.substr(0, slash);
}

// The name of the bus a sysfs device folder's "subsystem" link points to.
std::string subsystemOf(const std::string& device) {
    char target[PATH_MAX];
    ssize_t length = readlink((device + "/subsystem").c_str(), target, sizeof target - 1);
    if (length <= 0) return "";
    return lastPart(std::string(target, static_cast<size_t>(length)));
}

// An id file's four hex digits; -1 for anything else.
long hexId(const std::string& text) {
    if (text.size() != 4 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return -1;
    return std::strtol(text.c_str(), nullptr, 16);
}

struct Listing {
    PortIdentityFound found;
    void* context;
};

BOOL identify(const char* classEntry, const char* name, void* context) {
    Listing* listing = static_cast<Listing*>(context);
    std::string transport = "native", serial, manufacturer, product, interfaceName, location;
    long vendorId = -1, productId = -1;

    char real[PATH_MAX];
    std::string device = realpath((std::string(classEntry) + "/device").c_str(), real) ? real : "";
    std::string subsystem = device.empty() ? "" : subsystemOf(device);
    std::string usbInterface = subsystem == "usb-serial" ? parentOf(device)
                               : subsystem == "usb"      ? device
                                                         : "";
    std::string usbDevice = parentOf(usbInterface);
    if (!usbDevice.empty()) {
        transport = "usb";
        vendorId = hexId(readAttribute(usbDevice, "idVendor"));
        productId = hexId(readAttribute(usbDevice, "idProduct"));
        serial = readAttribute(usbDevice, "serial");
        manufacturer = readAttribute(usbDevice, "manufacturer");
        product = readAttribute(usbDevice, "product");
        interfaceName = readAttribute(usbInterface, "interface");
        // One interface: the device's path ("1-2.4"); several: the interface's ("1-2.4:1.1").
        bool several = std::atoi(readAttribute(usbDevice, "bNumInterfaces").c_str()) > 1;
        location = lastPart(several ? usbInterface : usbDevice);
    } else if (device.empty() && std::strncmp(lastPart(classEntry).c_str(), "rfcomm", 6) == 0) {
        transport = "bluetooth";
    }

    std::string description = !product.empty()        ? product
                              : !manufacturer.empty() ? manufacturer
                                                      : name;
    if (!product.empty() && !interfaceName.empty()) description += " - " + interfaceName;

    PortIdentity identity = {name,
                             transport.c_str(),
                             vendorId,
                             productId,
                             serial.c_str(),
                             manufacturer.c_str(),
                             product.c_str(),
                             interfaceName.c_str(),
                             location.c_str(),
                             description.c_str()};
    return listing->found(&identity, listing->context);
}

}  // namespace

BOOL listTtyPortIdentities(const char* sysfsRoot, PortIdentityFound found, void* context) {
    Listing listing = {found, context};
    return walkTtyPorts((std::string(sysfsRoot) + "/class/tty").c_str(), identify, &listing);
}

#endif
