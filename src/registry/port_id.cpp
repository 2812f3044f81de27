#include "registry/port_id.h"

int32_t portIdFromName(const char* name) {
    // Accumulated in 64 bits and wrapped once, so a very long name cannot
    // overflow a signed sum.
    int64_t sum = 0;
    for (const char* byte = name; *byte != '\0'; ++byte) sum += static_cast<int8_t>(*byte);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));
}
