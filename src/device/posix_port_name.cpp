#if !defined(_WIN32)

#include "device/posix_port_name.h"

#include <cstring>

namespace {

// n of "COMn", or 0 when the name is not of that form. n stays well within
// unsigned long: more than nine digits is not a COM number.
unsigned long comNumber(const char* name, size_t length) {
    if (length < 4 || length > 3 + 9) return 0;
    const char* com = "com";
    for (size_t i = 0; i < 3; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != com[i]) return 0;
    }
    if (name[3] == '0') return 0;
    unsigned long number = 0;
    for (size_t i = 3; i < length; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        number = number * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    return number;
}

}  // namespace

bool devicePathFromPortName(const char* name, std::string* path) {
    if (name == nullptr || path == nullptr) return false;
    if (std::strncmp(name, "\\\\.\\", 4) == 0) name += 4;
    size_t length = strnlen(name, kMaxPortNameLength + 1);
    if (length == 0 || length > kMaxPortNameLength) return false;

    unsigned long number = comNumber(name, length);
    if (number != 0) {
        *path = "/dev/ttyS" + std::to_string(number - 1);
    } else if (name[0] == '/') {
        path->assign(name, length);
    } else {
        path->assign("/dev/");
        path->append(name, length);
    }
    return true;
}

#endif
