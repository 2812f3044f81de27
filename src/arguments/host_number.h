// Host values read as numbers without ever calling the host outside its
// contract: mxGetScalar is defined only for an array with an element that is
// numeric, logical or char.
#pragma once

#include "host/mex_api.h"

// The first element as a double, as mxGetScalar gives it; NaN for an empty
// array, a cell, a struct, a function handle, an object and anything else.
// The number rules then refuse it (a count), match no port (an id) or give
// 0 (a BaudRate or DataBits).
double readHostDouble(const mxArray* value);

// True for a real numeric array (not logical, sparse or complex) with exactly
// one element: a value every host reads the same way.
bool isRealNumericScalar(const mxArray* value);
