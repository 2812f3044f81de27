// The fuzz input, read front to back one decision a byte. Past its end every
// byte reads as 0, so any input, however short, is a complete run, and byte 0
// always picks the plainest choice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
};

inline bool hasMore(const FuzzInput& in) {
    return in.offset < in.size;
}

inline uint8_t nextByte(FuzzInput& in) {
    return in.offset < in.size ? in.data[in.offset++] : 0;
}

// One of count choices.
inline size_t pick(FuzzInput& in, size_t count) {
    return count == 0 ? 0 : nextByte(in) % count;
}

// Any bit pattern, NaN payloads and subnormals included.
inline double rawDouble(FuzzInput& in) {
    uint8_t bytes[sizeof(double)];
    for (uint8_t& byte : bytes) byte = nextByte(in);
    double value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}
