// v = brindlecast('version'): the module's version as a char row ('0.2.0'),
// the project version its build was given.
#include "host/mex_api.h"
#include "serial/mode_handlers.h"

#ifndef BRINDLECAST_VERSION
#error "BRINDLECAST_VERSION must be defined (the project version, such as 0.2.0)"
#endif
#define BRINDLECAST_TEXT(value) #value
#define BRINDLECAST_EXPANDED_TEXT(value) BRINDLECAST_TEXT(value)

namespace {

const char* const versionErrorId = "QUENTAROX:brindlecast:version";

}  // namespace

void handleVersion(int, mxArray* plhs[], int nrhs, const mxArray*[]) {
    if (nrhs != 1) mexErrMsgIdAndTxt(versionErrorId, "Invalid number of inputs to VERSION.");
    plhs[0] = mxCreateString(BRINDLECAST_EXPANDED_TEXT(BRINDLECAST_VERSION));
}
