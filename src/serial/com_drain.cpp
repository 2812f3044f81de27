// unsent = brindlecast('comdrain', id): wait until what was written has left
// the port (an RS-485 master turns the bus around after that); returns the
// bytes still unsent, 0 when it drained. The port's WriteTimeout bounds the
// wait from the call's start, and Ctrl-C ends it.
#include "device/serial_device.h"
#include "host/host_interrupt.h"
#include "host/mex_api.h"
#include "registry/port_errors.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"
#include "transfer/port_timeouts.h"
#include "transfer/slices.h"
#include "transfer/wait_clock.h"

#include <cstdint>

namespace {

const char* const drainErrorId = "QUENTAROX:brindlecast:comdrain";

// How often the output queue is looked at: a character at 9600 baud.
const DWORD kLookEveryMilliseconds = 1;

// When the port's WriteTimeout ends a drain that began at start with unsent
// bytes queued; INT64_MAX for none (and for time-outs the port could not tell).
int64_t endOfWriteTimeout(PortEntry* port, DWORD unsent, int64_t start) {
    if (!knowPortTimeouts(port)) return INT64_MAX;
    const DWORD multiplier = port->timeouts.WriteTotalTimeoutMultiplier;
    const DWORD constant = port->timeouts.WriteTotalTimeoutConstant;
    if (multiplier == 0 && constant == 0) return INT64_MAX;
    return start + (int64_t(multiplier) * unsent + constant) * 1000;
}

}  // namespace

void handleComDrain(int, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const int64_t start = monotonicMicroseconds();
    if (nrhs != 2) mexErrMsgIdAndTxt(drainErrorId, "Invalid number of inputs to COMDRAIN.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(drainErrorId, "Cannot drain the port.");

    // A lost device gives what its queue last reported, as comcount does.
    DWORD unsent = 0;
    int64_t end = INT64_MAX;
    for (bool first = true;; first = false) {
        // The reader goes on reading between the looks.
        COMSTAT status = {};
        pausePortReader(port);
        bool looked = clearPortErrors(port, &status);
        if (looked) unsent = status.cbOutQue;
        // The queue is empty: what the UART still holds goes in a few characters.
        if (looked && unsent == 0) DrainTransmitter(port->handle);
        resumePortReader(port);
        if (!looked || unsent == 0) break;
        if (first) end = endOfWriteTimeout(port, unsent, start);
        if (monotonicMicroseconds() >= end) break;
        if (!sleepUnlessInterrupted(kLookEveryMilliseconds)) break;  // Ctrl-C
    }
    plhs[0] = mxCreateDoubleScalar(static_cast<double>(unsent));
}
