// ListSerialPorts on Windows: the COMn names among the DOS device names.
#if defined(_WIN32)

#include "device/serial_device.h"

#include <cstdlib>
#include <cstring>

namespace {

// Longest device list asked for; a system with more is not one we know.
const DWORD kMaxListSize = 64u << 20;

bool isComName(const char* name) {
    if (std::strncmp(name, "COM", 3) != 0 || name[3] == '\0') return false;
    for (const char* digit = name + 3; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') return false;
    }
    return true;
}

}  // namespace

BOOL ListSerialPorts(PortNameFound found, void* context) {
    // With no name, QueryDosDeviceA gives every DOS device name, each ended
    // by a NUL; it refuses a buffer that is too small rather than cut it short.
    DWORD size = 64u << 10;
    char* names = nullptr;
    DWORD stored = 0;
    while (stored == 0) {
        std::free(names);
        names = static_cast<char*>(std::malloc(size));
        if (names == nullptr) return FALSE;
        stored = QueryDosDeviceA(nullptr, names, size);
        if (stored == 0 && (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size >= kMaxListSize)) {
            std::free(names);
            return FALSE;
        }
        size *= 2;
    }
    for (DWORD at = 0; at < stored && names[at] != '\0'; at += std::strlen(names + at) + 1) {
        if (isComName(names + at) && !found(names + at, context)) break;
    }
    std::free(names);
    return TRUE;
}

#endif
