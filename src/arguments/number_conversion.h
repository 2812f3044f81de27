// Host doubles to integers, truncating toward zero. NaN and values outside
// the target range give the range's minimum, as the x86 conversion does, so
// every platform reads the same id or count from the same double.
#pragma once

#include <cmath>
#include <cstdint>

inline int32_t truncateToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

inline int64_t truncateToInt64(double value) {
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(value);
}
