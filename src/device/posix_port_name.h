// Where a Windows port name lives on a POSIX system.
#pragma once

#if !defined(_WIN32)

#include <string>

// Longest name accepted; anything longer is refused rather than truncated.
constexpr size_t kMaxPortNameLength = 4096;

// Strips a leading "\\.\", then maps "COMn" (any letter case, n >= 1 with no
// leading zero) to /dev/ttyS<n-1>, an absolute path to itself and any other
// name to /dev/<name>. False (path untouched) for a null, empty or over-long
// name.
bool devicePathFromPortName(const char* name, std::string* path);

#endif
