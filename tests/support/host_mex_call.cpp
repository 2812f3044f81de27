// libmex's mexCallMATLAB: the module calls MATLAB's char() on a string scalar
// and string() on a char row, so those alone are modelled; any other call aborts.
#include "host_internal.h"

#include <cstring>
#include <string>

int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name) {
    thiCheckThread("mexCallMATLAB");
    if (!thiInCall()) thiAbort("mexCallMATLAB outside a call");
    bool toChar = name != nullptr && std::strcmp(name, "char") == 0;
    bool toString = name != nullptr && std::strcmp(name, "string") == 0;
    if (!(toChar || toString) || nlhs != 1 || nrhs != 1 || plhs == nullptr || prhs == nullptr) {
        thiAbort(std::string("mexCallMATLAB: only char(s) and string(c) are modelled, not ") +
                 (name != nullptr ? name : "(null)"));
    }
    plhs[0] = toChar ? thiCharOfString(prhs[0]) : thiStringOfChars(prhs[0]);
    return 0;
}
