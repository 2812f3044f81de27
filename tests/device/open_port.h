// Opens a port as the module does: read-write, exclusive, existing.
#pragma once

#include "device/serial_device.h"

#include <string>

inline HANDLE openPort(const std::string& name) {
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
