#include "arguments/host_number.h"

#include <cmath>

double readHostDouble(const mxArray* value) {
    bool readable = mxIsNumeric(value) || mxIsLogical(value) || mxIsChar(value);
    if (!readable || mxGetNumberOfElements(value) == 0) return std::nan("");
    return mxGetScalar(value);
}

bool isRealNumericScalar(const mxArray* value) {
    return mxIsNumeric(value) && !mxIsSparse(value) && !mxIsComplex(value) &&
           mxGetNumberOfElements(value) == 1;
}
