// What a sysfs tty class folder says are serial ports, read independently of
// the module: each entry with a device link whose type file (if any) is not
// 0, and each rfcomm entry (no device link), as /dev/<entry>, sorted as
// strings. Never opens a device.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> ttyClassPorts(const std::string& root = "/sys/class/tty");
