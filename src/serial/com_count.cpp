// [waiting, unsent, written] = brindlecast('comcount', id): the bytes received
// and not yet read, the bytes written and not yet sent, and the bytes comwrite
// has written since the port was opened.
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_errors.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"

namespace {

const char* const countErrorId = "QUENTAROX:brindlecast:comcount";

}  // namespace

void handleComCount(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 2) mexErrMsgIdAndTxt(countErrorId, "Invalid number of inputs to COMCOUNT.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(countErrorId, "Cannot query the port.");
    // A lost device shows as nothing waiting either way, as a failed
    // transfer shows in its counts. Line errors found are counted for comerrors.
    COMSTAT status = {};
    pausePortReader(port);
    clearPortErrors(port, &status);
    // The bytes read ahead are waiting for the script just the same.
    DWORD held = port->readAheadSize;
    resumePortReader(port);
    plhs[0] = mxCreateDoubleScalar(static_cast<double>(status.cbInQue) + held);
    // The host's output array may hold one slot only.
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(status.cbOutQue));
    if (nlhs >= 3) plhs[2] = mxCreateDoubleScalar(static_cast<double>(port->bytesWritten));
}
