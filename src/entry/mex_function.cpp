#include "arguments/host_text.h"
#include "entry/mode_table.h"
#include "host/mex_api.h"
#include "registry/port_registry.h"

#include <cstdint>

namespace {

const char* const entryErrorId = "QUENTAROX:brindlecast";

// 0 when the host has just loaded the module; statics start afresh each load.
int32_t moduleInitialized = 0;

void initializeOnce() {
    resetPortRegistry();
    mexAtExit(onModuleExit);
    moduleInitialized = 1;
}

// Modes that need no port ('version', 'comlist') are the one exception to
// the rule of at least two inputs.
bool callsAModeAlone(const mxArray* modeWord) {
    char* mode = hostText(modeWord);
    if (mode == nullptr) return false;
    bool alone = findPortlessModeHandler(mode) != nullptr;
    mxFree(mode);
    return alone;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    bool countValid = nrhs == 1 ? callsAModeAlone(prhs[0]) : nrhs >= 2 && nrhs <= 8;
    if (!countValid) mexErrMsgIdAndTxt(entryErrorId, "Invalid number of input arguments.");
    if (moduleInitialized == 0) initializeOnce();
    if (!isHostText(prhs[0]))
        mexErrMsgIdAndTxt(entryErrorId, "First input to BRINDLECAST must be a string.");

    char* mode = hostText(prhs[0]);
    if (mode == nullptr) mexErrMsgIdAndTxt(entryErrorId, "Memory allocation failed.");
    ModeHandler handler = findModeHandler(mode);
    mxFree(mode);
    if (handler == nullptr) mexErrMsgIdAndTxt(entryErrorId, "Unrecognized mode for BRINDLECAST.");

    handler(nlhs, plhs, nrhs, prhs);
}
