// brindlecast('comread', id, count): read up to count bytes; returns them as a
// row of doubles (0 to 255) and, as a second output, how many arrived.
#include "host/mex_api.h"
#include "registry/port_registry.h"
#include "serial/device/serial_device.h"
#include "serial/host_number.h"
#include "serial/mode_handlers.h"
#include "serial/number_conversion.h"
#include "serial/port_lookup.h"

#include <cstdint>

namespace {

const char* const readErrorId = "QUENTAROX:brindlecast:comread";

mxArray* byteRow(const unsigned char* buffer, DWORD count) {
    mxArray* row = mxCreateDoubleMatrix_700(1, static_cast<int>(count), mxREAL);
    double* elements = mxGetPr(row);
    for (DWORD i = 0; i < count; ++i) elements[i] = buffer[i];
    return row;
}

}  // namespace

void handleComRead(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 3) mexErrMsgIdAndTxt(readErrorId, "Invalid number of inputs to COMREAD.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(readErrorId, "Cannot read the port.");
    int64_t requested = truncateToInt64(readHostDouble(prhs[2]));
    if (requested < 0) mexErrMsgIdAndTxt(readErrorId, "Invalid count to COMREAD.");
    // Only the low 32 bits reach the device call.
    DWORD count = static_cast<DWORD>(static_cast<uint64_t>(requested));

    unsigned char* buffer = static_cast<unsigned char*>(mxCalloc(count, 1));
    if (buffer == nullptr && count > 0) mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");

    DWORD received = 0;
    if (ReadFile(port->handle, buffer, count, &received, nullptr)) {
        plhs[0] = byteRow(buffer, received);
    } else {
        plhs[0] = mxCreateDoubleScalar(0);
    }
    // The host's output array may hold one slot only.
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(received));
    mxFree(buffer);
}
