// brindlecast('comread', id, count): read up to count bytes; returns them as a
// row of doubles (0 to 255) and, as a second output, how many arrived.
#include "arguments/host_number.h"
#include "arguments/number_conversion.h"
#include "device/serial_device.h"
#include "host/host_interrupt.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "registry/read_ahead.h"
#include "serial/mode_handlers.h"
#include "transfer/port_transfer.h"
#include "transfer/wait_clock.h"

#include <cstdint>
#include <cstring>

namespace {

const char* const readErrorId = "QUENTAROX:brindlecast:comread";

// Ctrl-C ended the read: the host will drop what the call returns, so the
// bytes it received stay held, behind those held before, for the next read.
// False when there is no memory to hold them (they are then returned).
void returnNothing(int nlhs, mxArray* plhs[]) {
    plhs[0] = mxCreateDoubleMatrix_700(1, 0, mxREAL);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(0);
}

bool holdInterruptedBytes(PortEntry* port, const unsigned char* bytes, DWORD count) {
    DWORD held = port->readAheadSize;
    if (!makeReadAheadRoom(port, count, held + count)) return false;
    if (count > 0) std::memcpy(readAheadEnd(port), bytes, count);
    port->readAheadSize += count;
    return true;
}

}  // namespace

void handleComRead(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const int64_t start = monotonicMicroseconds();
    if (nrhs != 3) mexErrMsgIdAndTxt(readErrorId, "Invalid number of inputs to COMREAD.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(readErrorId, "Cannot read the port.");
    int64_t requested = truncateToInt64(readHostDouble(prhs[2]));
    if (requested < 0) mexErrMsgIdAndTxt(readErrorId, "Invalid count to COMREAD.");
    // Only the low 32 bits reach the device call.
    DWORD count = static_cast<DWORD>(static_cast<uint64_t>(requested));

    // Ctrl-C came before the read: the host would drop what it took.
    if (hostInterruptPending()) return returnNothing(nlhs, plhs);
    // The held bytes and the device are this call's, not the reader's, until it resumes.
    pausePortReader(port);

    // Bytes comreadline read ahead come first; when they are enough, the
    // device is not asked.
    DWORD held = port->readAheadSize;
    if (held >= count && held > 0) {
        plhs[0] = byteRow(readAheadBytes(port), count, nullptr, 0);
        consumeReadAhead(port, count);
        resumePortReader(port);
        if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(count));
        return;
    }
    if (held > 0) count -= held;

    unsigned char* buffer = static_cast<unsigned char*>(mxCalloc(count, 1));
    if (buffer == nullptr && count > 0) {
        resumePortReader(port);
        mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");
    }

    DWORD received = 0;
    BOOL read = readPort(port, buffer, count, &received, start);
    if (hostInterruptPending() && holdInterruptedBytes(port, buffer, received)) {
        resumePortReader(port);
        returnNothing(nlhs, plhs);
        mxFree(buffer);
        return;
    }
    if (held > 0) {
        // What was held is returned even when the device then failed, with
        // whatever it gave before.
        plhs[0] = byteRow(readAheadBytes(port), held, buffer, received);
        consumeReadAhead(port, held);
        received += held;
    } else if (read) {
        plhs[0] = byteRow(buffer, received, nullptr, 0);
    } else {
        plhs[0] = mxCreateDoubleScalar(0);
    }
    resumePortReader(port);
    // The host's output array may hold one slot only.
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(received));
    mxFree(buffer);
}
