// brindlecast('combreak', id, seconds): hold the line in the break state for
// that long, then release it.
#include "arguments/host_number.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"
#include "transfer/slices.h"

#include <cmath>
#include <cstdint>

namespace {

const char* const breakErrorId = "QUENTAROX:brindlecast:combreak";

// A break holds the session for its length (Ctrl-C ends it), so no longer.
const double kLongestBreakSeconds = 10;

}  // namespace

void handleComBreak(int, mxArray*[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 3) mexErrMsgIdAndTxt(breakErrorId, "Invalid number of inputs to COMBREAK.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(breakErrorId, "Cannot send a break.");
    double seconds = isRealNumericScalar(prhs[2]) ? mxGetScalar(prhs[2]) : std::nan("");
    // NaN fails both comparisons.
    if (!(seconds > 0 && seconds <= kLongestBreakSeconds))
        mexErrMsgIdAndTxt(breakErrorId, "Invalid duration in input to COMBREAK.");
    // Rounded up, so that the break is never shorter than asked.
    DWORD milliseconds = static_cast<DWORD>(std::ceil(seconds * 1000.0));

    // The reader goes on reading during the break, between the two calls.
    pausePortReader(port);
    BOOL set = SetCommBreak(port->handle);
    resumePortReader(port);
    if (!set) mexErrMsgIdAndTxt(breakErrorId, "Cannot send a break.");
    // Ctrl-C ends the break early; it is cleared all the same.
    sleepUnlessInterrupted(milliseconds);
    // Cleared whatever happens, before anything is reported.
    pausePortReader(port);
    BOOL cleared = ClearCommBreak(port->handle);
    resumePortReader(port);
    if (!cleared) mexErrMsgIdAndTxt(breakErrorId, "Cannot send a break.");
}
