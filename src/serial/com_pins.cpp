// pins = brindlecast('compins', id): the input modem lines, named as
// MATLAB's getpinstatus names them, each a logical scalar.
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"

namespace {

const char* const pinsErrorId = "QUENTAROX:brindlecast:compins";

const char* pinNames[] = {"ClearToSend", "DataSetReady", "RingIndicator", "CarrierDetect"};
const DWORD pinBits[] = {MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON};

}  // namespace

void handleComPins(int, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 2) mexErrMsgIdAndTxt(pinsErrorId, "Invalid number of inputs to COMPINS.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(pinsErrorId, "Cannot read the pins.");
    // A device without modem lines (a pseudo-terminal) has no pins to read.
    DWORD status = 0;
    pausePortReader(port);
    BOOL read = GetCommModemStatus(port->handle, &status);
    resumePortReader(port);
    if (!read) mexErrMsgIdAndTxt(pinsErrorId, "Cannot read the pins.");
    mxArray* pins = mxCreateStructMatrix_700(1, 1, 4, pinNames);
    for (int i = 0; i < 4; ++i)
        mxSetField_700(pins, 0, pinNames[i], mxCreateLogicalScalar((status & pinBits[i]) != 0));
    plhs[0] = pins;
}
