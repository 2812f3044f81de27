// libmex's mexCallMATLAB: the module calls MATLAB's char() on a string scalar
// and nothing else, so that alone is modelled; any other call aborts.
#include "host_internal.h"

#include <cstring>
#include <string>

int mexCallMATLAB(int nlhs, mxArray* plhs[], int nrhs, mxArray* prhs[], const char* name) {
    thiCheckThread("mexCallMATLAB");
    if (!thiInCall()) thiAbort("mexCallMATLAB outside a call");
    if (name == nullptr || std::strcmp(name, "char") != 0 || nlhs != 1 || nrhs != 1 ||
        plhs == nullptr || prhs == nullptr) {
        thiAbort(std::string("mexCallMATLAB: only [c] = char(s) is modelled, not ") +
                 (name != nullptr ? name : "(null)"));
    }
    plhs[0] = thiCharOfString(prhs[0]);
    return 0;
}
