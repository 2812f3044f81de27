// brindlecast('comwrite', id, data, count): send the bytes of the first count
// elements of data as they lie in memory; returns the number of bytes written.
#include "arguments/element_size.h"
#include "arguments/host_number.h"
#include "arguments/number_conversion.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"
#include "transfer/port_transfer.h"

#include <cstdint>

namespace {

const char* const writeErrorId = "QUENTAROX:brindlecast:comwrite";

// Sparse and complex storage is not the elements in order.
bool hasPlainStorage(const mxArray* data) {
    return !mxIsSparse(data) && !mxIsComplex(data);
}

}  // namespace

void handleComWrite(int, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 4) mexErrMsgIdAndTxt(writeErrorId, "Invalid number of inputs to COMWRITE.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(writeErrorId, "Cannot write the port.");
    const mxArray* data = prhs[2];
    int32_t count = truncateToInt32(readHostDouble(prhs[3]));
    mxClassID classId = mxGetClassID(data);
    size_t bytesPerElement = elementSize(classId);
    if (bytesPerElement == 0 || !hasPlainStorage(data)) {
        mexErrMsgIdAndTxt(writeErrorId, "Invalid data type to COMWRITE");
    }

    // Never read past what the array holds, in the host's own storage.
    uint64_t byteCount = static_cast<uint64_t>(count) * bytesPerElement;
    // Only characters may be stored wider than they are sent (MATLAB's take 2
    // bytes); asking the host costs a second class lookup in Octave.
    size_t storedPerElement = classId == mxCHAR_CLASS ? mxGetElementSize(data) : bytesPerElement;
    uint64_t storedBytes = static_cast<uint64_t>(mxGetNumberOfElements(data)) * storedPerElement;
    if (count < 0 || byteCount > storedBytes || byteCount > UINT32_MAX) {
        mexErrMsgIdAndTxt(writeErrorId, "Invalid count to COMWRITE.");
    }

    // Only once the class is known to have data: a host may abort for the
    // address of what has none (a function handle, an object).
    const unsigned char* bytes = static_cast<const unsigned char*>(mxGetData(data));
    // Ctrl-C ends the write with what was sent; the rest is never sent.
    DWORD written = 0;
    // The reader is out of the device at once (it never waits there), so the
    // write is not held back; nor does it take the device's time-outs under it.
    pausePortReader(port);
    writePort(port, bytes, static_cast<DWORD>(byteCount), &written, kCallStartsNow);
    resumePortReader(port);
    plhs[0] = mxCreateDoubleScalar(static_cast<double>(written));
}
