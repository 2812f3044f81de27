#include "device/port_name_order.h"

#include <algorithm>
#include <cstring>

namespace {

// Where the trailing run of digits starts (length when there is none).
size_t numberStart(const char* name, size_t length) {
    size_t start = length;
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
    return start;
}

int compareBytes(const char* a, size_t aLength, const char* b, size_t bLength) {
    int order = std::memcmp(a, b, std::min(aLength, bLength));
    if (order != 0) return order;
    return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

}  // namespace

int comparePortNames(const char* a, const char* b) {
    size_t aLength = std::strlen(a);
    size_t bLength = std::strlen(b);
    size_t aStart = numberStart(a, aLength);
    size_t bStart = numberStart(b, bLength);
    int order = compareBytes(a, aStart, b, bStart);
    if (order != 0) return order;
    // The same stem: no number first, then the smaller number. Leading zeros
    // do not count; with them removed, fewer digits is a smaller number.
    while (aStart + 1 < aLength && a[aStart] == '0') ++aStart;
    while (bStart + 1 < bLength && b[bStart] == '0') ++bStart;
    if (aStart < aLength && bStart < bLength && aLength - aStart != bLength - bStart)
        return aLength - aStart < bLength - bStart ? -1 : 1;
    order = compareBytes(a + aStart, aLength - aStart, b + bStart, bLength - bStart);
    return order != 0 ? order : std::strcmp(a, b);
}

void sortPortNames(char** names, int count) {
    std::sort(names, names + count,
              [](const char* a, const char* b) { return comparePortNames(a, b) < 0; });
}
