// errors = brindlecast('comerrors', id): the line errors counted since the
// port was opened or since the last comerrors, which starts them again from
// 0, as a 1-by-1 struct of doubles. Each count is the number of the module's
// ClearCommError calls that found the error (port_errors.h): Windows reports
// conditions, not counts.
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_errors.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"

namespace {

const char* const errorsErrorId = "QUENTAROX:brindlecast:comerrors";

const char* errorNames[] = {"Overrun", "QueueOverflow", "Framing", "Parity", "Break"};

}  // namespace

void handleComErrors(int, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 2) mexErrMsgIdAndTxt(errorsErrorId, "Invalid number of inputs to COMERRORS.");
    PortEntry* port = findOpenPort(prhs[1]);
    // A driver that keeps no counts (a pseudo-terminal's) would report none
    // whatever happened; a lost device can no longer be asked.
    if (port == nullptr) mexErrMsgIdAndTxt(errorsErrorId, "Cannot read the line errors.");
    COMSTAT status = {};
    pausePortReader(port);
    bool counted = CountsLineErrors(port->handle) && clearPortErrors(port, &status);
    resumePortReader(port);
    if (!counted) mexErrMsgIdAndTxt(errorsErrorId, "Cannot read the line errors.");
    const LineErrorCounts& counts = port->lineErrors;
    const uint64_t values[] = {counts.overrun, counts.queueOverflow, counts.framing, counts.parity,
                               counts.breaks};
    mxArray* errors = mxCreateStructMatrix_700(1, 1, 5, errorNames);
    for (int i = 0; i < 5; ++i)
        mxSetField_700(errors, 0, errorNames[i],
                       mxCreateDoubleScalar(static_cast<double>(values[i])));
    plhs[0] = errors;
    port->lineErrors = LineErrorCounts{};
}
