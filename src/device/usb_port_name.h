// comopen's names for a port by its USB device: "usb:VVVV:PPPP" and
// "usb:VVVV:PPPP:SERIAL" (the prefix in any case, the ids as four hex digits
// in any case, the serial number exactly as ListSerialPortIdentities gives it).
#pragma once

#include "device/serial_device.h"

#include <cstddef>

enum UsbPortMatch {
    kNotUsbPortName,   // a name of another kind
    kOneUsbPort,       // exactly one present port matches
    kNoUsbPort,        // none does, or the name is not of that form
    kSeveralUsbPorts,  // more than one does
};

typedef BOOL (*PortIdentityLister)(PortIdentityFound found, void* context);

// Matches portName against the ports list gives. found (size bytes) holds the
// port's name as ListSerialPorts gives it on kOneUsbPort, and "" on the others
// (untouched for kNotUsbPortName).
UsbPortMatch findUsbPort(const char* portName, PortIdentityLister list, char* found, size_t size);
