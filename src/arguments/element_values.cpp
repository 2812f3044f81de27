#include "arguments/element_values.h"

#include "arguments/element_size.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

template <typename T>
double elementOf(const void* data, size_t i) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(data) + i * sizeof(T), sizeof(T));
    return static_cast<double>(value);
}

// Element i of data, of its class; characters are stored in 1 or 2 bytes.
double valueAt(const void* data, mxClassID classId, size_t stored, size_t i) {
    switch (classId) {
        case mxCHAR_CLASS:
            return stored == 2 ? elementOf<uint16_t>(data, i) : elementOf<uint8_t>(data, i);
        case mxDOUBLE_CLASS: return elementOf<double>(data, i);
        case mxSINGLE_CLASS: return elementOf<float>(data, i);
        case mxINT8_CLASS: return elementOf<int8_t>(data, i);
        case mxUINT8_CLASS: return elementOf<uint8_t>(data, i);
        case mxINT16_CLASS: return elementOf<int16_t>(data, i);
        case mxUINT16_CLASS: return elementOf<uint16_t>(data, i);
        case mxINT32_CLASS: return elementOf<int32_t>(data, i);
        default: return elementOf<uint32_t>(data, i);
    }
}

// value as a T at out, when T holds it exactly (integer classes).
template <typename T>
bool storeWhole(double value, double lowest, double highest, unsigned char* out) {
    if (!(value >= lowest && value <= highest) || std::trunc(value) != value) return false;
    T element = static_cast<T>(value);
    std::memcpy(out, &element, sizeof element);
    return true;
}

bool store(double value, mxClassID classId, unsigned char* out) {
    switch (classId) {
        case mxDOUBLE_CLASS: std::memcpy(out, &value, sizeof value); return true;
        case mxSINGLE_CLASS: {
            float element = static_cast<float>(value);
            std::memcpy(out, &element, sizeof element);
            return true;
        }
        case mxINT8_CLASS: return storeWhole<int8_t>(value, INT8_MIN, INT8_MAX, out);
        case mxUINT8_CLASS: return storeWhole<uint8_t>(value, 0, UINT8_MAX, out);
        case mxINT16_CLASS: return storeWhole<int16_t>(value, INT16_MIN, INT16_MAX, out);
        case mxUINT16_CLASS: return storeWhole<uint16_t>(value, 0, UINT16_MAX, out);
        case mxINT32_CLASS: return storeWhole<int32_t>(value, INT32_MIN, INT32_MAX, out);
        default: return storeWhole<uint32_t>(value, 0, UINT32_MAX, out);
    }
}

}  // namespace

bool convertElements(const mxArray* data, size_t count, mxClassID classId, unsigned char* out) {
    const mxClassID from = mxGetClassID(data);
    const size_t stored = from == mxCHAR_CLASS ? mxGetElementSize(data) : 0;
    const size_t size = elementSize(classId);
    const void* elements = mxGetData(data);
    for (size_t i = 0; i < count; ++i) {
        if (!store(valueAt(elements, from, stored, i), classId, out + i * size)) return false;
    }
    return true;
}
