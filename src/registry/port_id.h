#pragma once

#include <cstdint>

// The FileID of a port name: the sum of its bytes, each taken as signed.
// Names with equal sums share an id (COM12 and COM21).
int32_t portIdFromName(const char* name);
