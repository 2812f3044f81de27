#include "arguments/line_terminator.h"

#include <cstdint>
#include <cstring>

namespace {

// Element i of a numeric or char array as a double; -1 for a class that
// holds no terminator byte.
double elementAt(const mxArray* value, size_t i) {
    const void* data = mxGetData(value);
    switch (mxGetClassID(value)) {
        case mxDOUBLE_CLASS: return static_cast<const double*>(data)[i];
        case mxSINGLE_CLASS: return static_cast<const float*>(data)[i];
        case mxINT8_CLASS: return static_cast<const int8_t*>(data)[i];
        case mxUINT8_CLASS: return static_cast<const uint8_t*>(data)[i];
        case mxINT16_CLASS: return static_cast<const int16_t*>(data)[i];
        case mxUINT16_CLASS: return static_cast<const uint16_t*>(data)[i];
        case mxINT32_CLASS: return static_cast<const int32_t*>(data)[i];
        case mxUINT32_CLASS: return static_cast<const uint32_t*>(data)[i];
        case mxINT64_CLASS: return static_cast<double>(static_cast<const int64_t*>(data)[i]);
        case mxUINT64_CLASS: return static_cast<double>(static_cast<const uint64_t*>(data)[i]);
        // MATLAB keeps a character in 2 bytes, Octave in 1.
        case mxCHAR_CLASS:
            if (mxGetElementSize(value) == 2) return static_cast<const uint16_t*>(data)[i];
            return static_cast<const uint8_t*>(data)[i];
        default: return -1;
    }
}

}  // namespace

bool readLineTerminator(const mxArray* value, LineTerminator* terminator) {
    // Checked before mxGetData, which no host defines for the other kinds.
    if (!(mxIsNumeric(value) || mxIsChar(value)) || mxIsComplex(value) || mxIsSparse(value))
        return false;
    size_t length = mxGetNumberOfElements(value);
    if (length == 0 || length > kLongestTerminator) return false;
    for (size_t i = 0; i < length; ++i) {
        double byte = elementAt(value, i);
        // Also false for NaN.
        if (!(byte >= 0 && byte <= 255) || byte != static_cast<double>(static_cast<int>(byte)))
            return false;
        terminator->bytes[i] = static_cast<unsigned char>(byte);
    }
    terminator->length = length;
    return true;
}

size_t findLineEnd(const unsigned char* bytes, size_t count, size_t from,
                   const LineTerminator& terminator) {
    const size_t length = terminator.length;
    if (count < length) return 0;
    const size_t lastStart = count - length;
    for (size_t at = from; at <= lastStart;) {
        const void* found = std::memchr(bytes + at, terminator.bytes[0], lastStart + 1 - at);
        if (found == nullptr) return 0;
        at = static_cast<size_t>(static_cast<const unsigned char*>(found) - bytes);
        if (std::memcmp(bytes + at, terminator.bytes, length) == 0) return at + length;
        ++at;
    }
    return 0;
}
