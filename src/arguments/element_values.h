// comwrite's class input: the values of an array's elements written as
// elements of another class, as comread reads them back.
#pragma once

#include "host/mex_api.h"

#include <cstddef>

// The values of data's first count elements (data is of a class comwrite
// takes: char, double, single or an integer class of 32 bits or fewer) as
// elements of classId (one of those but char), little-endian as they lie in
// memory, into out (count * elementSize(classId) bytes). False when a value
// has no such element: one that is not a whole number within an integer
// class's range, NaN among them. A single takes the nearest.
bool convertElements(const mxArray* data, size_t count, mxClassID classId, unsigned char* out);
