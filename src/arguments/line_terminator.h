// The terminator argument of comreadline: the bytes a line ends with.
#pragma once

#include "host/mex_api.h"

#include <cstddef>

constexpr size_t kLongestTerminator = 8;

struct LineTerminator {
    unsigned char bytes[kLongestTerminator];
    size_t length;
};

// A real numeric array of 1 to 8 whole numbers 0 to 255, or a char array of 1
// to 8 characters below 256. False for anything else (logical, complex,
// sparse, empty, a character of 256 or more, a fraction, NaN).
bool readLineTerminator(const mxArray* value, LineTerminator* terminator);

// The end (one past the terminator) of the first line in bytes[0, count), or
// 0 when no whole terminator lies within them. Matches starting before from
// are not looked for: the caller has already searched there.
size_t findLineEnd(const unsigned char* bytes, size_t count, size_t from,
                   const LineTerminator& terminator);
