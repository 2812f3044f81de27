// brindlecast('combreak', id, seconds): hold the line in the break state for
// that long, then release it.
#include "arguments/host_number.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"

#include <cmath>
#include <cstdint>

namespace {

const char* const breakErrorId = "QUENTAROX:brindlecast:combreak";

// The host cannot interrupt a MEX call, so no break holds the session longer.
const double kLongestBreakSeconds = 10;

// Windows' Sleep may end up to a clock tick early: the rest is waited out
// against the performance counter.
void waitAtLeast(DWORD milliseconds) {
    LARGE_INTEGER frequency, start, now;
    bool timed = QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&start);
    Sleep(milliseconds);
    while (timed && QueryPerformanceCounter(&now) &&
           (now.QuadPart - start.QuadPart) * 1000 < int64_t(milliseconds) * frequency.QuadPart) {
        Sleep(1);
    }
}

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

    if (!SetCommBreak(port->handle)) mexErrMsgIdAndTxt(breakErrorId, "Cannot send a break.");
    waitAtLeast(milliseconds);
    // Cleared whatever happens, before anything is reported.
    if (!ClearCommBreak(port->handle)) mexErrMsgIdAndTxt(breakErrorId, "Cannot send a break.");
}
