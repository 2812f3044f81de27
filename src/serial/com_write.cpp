// brindlecast('comwrite', id, data, count): send the bytes of the first count
// elements of data as they lie in memory; returns the number of bytes written.
// brindlecast('comwrite', id, data, count, class): their values as elements of
// a numeric class ('uint16'), as comread reads them back; a value the class
// cannot hold sends nothing.
#include "arguments/element_size.h"
#include "arguments/element_values.h"
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
    if (nrhs != 4 && nrhs != 5)
        mexErrMsgIdAndTxt(writeErrorId, "Invalid number of inputs to COMWRITE.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(writeErrorId, "Cannot write the port.");
    const mxArray* data = prhs[2];
    int32_t count = truncateToInt32(readHostDouble(prhs[3]));
    mxClassID classId = mxGetClassID(data);
    size_t bytesPerElement = elementSize(classId);
    if (bytesPerElement == 0 || !hasPlainStorage(data)) {
        mexErrMsgIdAndTxt(writeErrorId, "Invalid data type to COMWRITE");
    }
    // Only characters may be stored wider than they are sent (MATLAB's take 2
    // bytes); asking the host costs a second class lookup in Octave.
    size_t storedPerElement = classId == mxCHAR_CLASS ? mxGetElementSize(data) : bytesPerElement;
    mxClassID sentClass = classId;
    if (nrhs == 5) {
        ClassNameRead named = readNumericClassName(prhs[4], &sentClass);
        if (named == ClassTextUnmade) mexErrMsgIdAndTxt(writeErrorId, "Memory allocation failed.");
        if (named == ClassRefused) mexErrMsgIdAndTxt(writeErrorId, "Invalid class to COMWRITE.");
        bytesPerElement = elementSize(sentClass);
    }

    // Never read past what the array holds, in the host's own storage (a
    // typed write reads whole elements).
    uint64_t byteCount = static_cast<uint64_t>(count) * bytesPerElement;
    uint64_t elements = mxGetNumberOfElements(data);
    uint64_t readable = nrhs == 5 ? elements * bytesPerElement : elements * storedPerElement;
    if (count < 0 || byteCount > readable || byteCount > UINT32_MAX) {
        mexErrMsgIdAndTxt(writeErrorId, "Invalid count to COMWRITE.");
    }

    // Only once the class is known to have data: a host may abort for the
    // address of what has none (a function handle, an object).
    const unsigned char* bytes = static_cast<const unsigned char*>(mxGetData(data));
    unsigned char* converted = nullptr;
    if (nrhs == 5) {
        converted = static_cast<unsigned char*>(mxMalloc(byteCount > 0 ? byteCount : 1));
        if (converted == nullptr) mexErrMsgIdAndTxt(writeErrorId, "Memory allocation failed.");
        if (!convertElements(data, static_cast<size_t>(count), sentClass, converted))
            mexErrMsgIdAndTxt(writeErrorId, "Invalid data to COMWRITE.");
        bytes = converted;
    }
    // Ctrl-C ends the write with what was sent; the rest is never sent.
    DWORD written = 0;
    // The reader is out of the device at once (it never waits there), so the
    // write is not held back; nor does it take the device's time-outs under it.
    pausePortReader(port);
    writePort(port, bytes, static_cast<DWORD>(byteCount), &written, kCallStartsNow);
    resumePortReader(port);
    port->bytesWritten += written;
    if (converted != nullptr) mxFree(converted);
    plhs[0] = mxCreateDoubleScalar(static_cast<double>(written));
}
