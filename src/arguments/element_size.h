#pragma once

#include "host/mex_api.h"

#include <cstddef>

// Bytes per element that comwrite sends for a class; 0 for a class it refuses.
// Characters count one byte each, whatever the host stores.
size_t elementSize(mxClassID classId);
