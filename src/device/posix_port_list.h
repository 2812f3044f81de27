// The POSIX port list, read from a sysfs tty class folder.
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

// Calls found with each port's class entry (root/ttyUSB0) and its name
// (/dev/ttyUSB0), in no particular order, until it returns FALSE: each entry
// with a "device" link, but not one whose "type" file holds 0 (a ttyS port
// with no UART behind it), and each rfcomm entry (a bound Bluetooth port). A
// missing root has no ports; FALSE when the folder cannot be read.
typedef BOOL (*TtyPortFound)(const char* classEntry, const char* name, void* context);
BOOL walkTtyPorts(const char* root, TtyPortFound found, void* context);

// ListSerialPorts over root instead of /sys/class/tty (tests give a folder of
// their own).
BOOL listTtyPorts(const char* root, PortNameFound found, void* context);

// ListSerialPortIdentities over the sysfs tree at sysfsRoot instead of /sys:
// the ports of sysfsRoot/class/tty, each with what its device's folders say
// (posix_port_identity.cpp).
BOOL listTtyPortIdentities(const char* sysfsRoot, PortIdentityFound found, void* context);

#endif
