// The POSIX port list, read from a sysfs tty class folder.
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

// ListSerialPorts over root instead of /sys/class/tty (tests give a folder of
// their own): each entry with a "device" link, but not one whose "type" file
// holds 0 (a ttyS port with no UART behind it), as /dev/<entry>. A missing
// root has no ports.
BOOL listTtyPorts(const char* root, PortNameFound found, void* context);

#endif
