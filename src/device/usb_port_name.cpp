#include "device/usb_port_name.h"

#include <cstring>

namespace {

struct UsbPortName {
    long vendorId;
    long productId;
    const char* serial;  // nullptr: any
};

// Four hex digits at text, or -1.
long hexId(const char* text) {
    long value = 0;
    for (int i = 0; i < 4; ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// False when the text after the prefix is not VVVV:PPPP[:SERIAL] with a
// serial of at least one character.
bool parseUsbPortName(const char* rest, UsbPortName* name) {
    name->vendorId = hexId(rest);
    if (name->vendorId < 0 || rest[4] != ':') return false;
    name->productId = hexId(rest + 5);
    if (name->productId < 0) return false;
    if (rest[9] == '\0') {
        name->serial = nullptr;
        return true;
    }
    name->serial = rest + 10;
    return rest[9] == ':' && rest[10] != '\0';
}

struct Search {
    UsbPortName wanted;
    int matches;
    char* found;
    size_t size;
};

BOOL consider(const PortIdentity* port, void* context) {
    Search* search = static_cast<Search*>(context);
    const UsbPortName& wanted = search->wanted;
    if (std::strcmp(port->transport, "usb") != 0 || port->vendorId != wanted.vendorId ||
        port->productId != wanted.productId ||
        (wanted.serial != nullptr && std::strcmp(port->serialNumber, wanted.serial) != 0)) {
        return TRUE;
    }
    if (++search->matches == 1) {
        size_t length = std::strlen(port->name);
        // A name too long to hold could not be opened anyway: found stays empty.
        if (length >= search->size) return FALSE;
        std::memcpy(search->found, port->name, length + 1);
    }
    return search->matches < 2;  // a second match settles it
}

}  // namespace

UsbPortMatch findUsbPort(const char* portName, PortIdentityLister list, char* found, size_t size) {
    const char* prefix = "usb:";
    for (int i = 0; i < 4; ++i) {
        char c = portName[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return kNotUsbPortName;
    }
    if (size == 0) return kNoUsbPort;
    found[0] = '\0';
    Search search = {{-1, -1, nullptr}, 0, found, size};
    if (!parseUsbPortName(portName + 4, &search.wanted) || !list(consider, &search))
        return kNoUsbPort;
    if (search.matches == 1 && found[0] != '\0') return kOneUsbPort;
    found[0] = '\0';
    return search.matches > 1 ? kSeveralUsbPorts : kNoUsbPort;
}
