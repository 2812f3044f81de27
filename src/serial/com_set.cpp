// brindlecast('comset', id, settings): change the line settings and
// time-outs of an open port. Fields left out keep what the port has, DTR and
// RTS included; PortName is ignored.
#include "arguments/port_options.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"
#include "transfer/port_timeouts.h"

namespace {

const char* const setErrorId = "QUENTAROX:brindlecast:comset";

const PortOptionRules setRules = {
    "Invalid ReadTimeout in input to COMSET.",
    "Invalid WriteTimeout in input to COMSET.",
    "Invalid ReadIntervalTimeout in input to COMSET.",
    "Invalid DTR in input to COMSET.",
    "Invalid RTS in input to COMSET.",
    "Invalid FlowControl in input to COMSET.",
    false,
    "Invalid InputBufferSize in input to COMSET.",
};

// The port's time-outs with what the struct gives replaced: a ReadTimeout
// keeps the port's interval, an interval alone keeps the port's ReadTimeout.
void mergeTimeouts(const PortOptions& options, DWORD interval, COMMTIMEOUTS* timeouts) {
    if (options.setsReadTimeout) {
        timeouts->ReadIntervalTimeout = options.timeouts.ReadIntervalTimeout;
        timeouts->ReadTotalTimeoutMultiplier = options.timeouts.ReadTotalTimeoutMultiplier;
        timeouts->ReadTotalTimeoutConstant = options.timeouts.ReadTotalTimeoutConstant;
    }
    if (options.setsReadTimeout || options.setsReadInterval) setReadInterval(timeouts, interval);
    if (options.setsWriteTimeout) {
        timeouts->WriteTotalTimeoutMultiplier = options.timeouts.WriteTotalTimeoutMultiplier;
        timeouts->WriteTotalTimeoutConstant = options.timeouts.WriteTotalTimeoutConstant;
    }
}

// The line settings and time-outs, with the reader paused: no host function
// is called. The refusal, or nullptr.
const char* applySettings(PortEntry* port, const PortOptions& options) {
    // Nothing has changed yet: what the port has is read first, and a
    // failure to read it is reported rather than applying a guess.
    DCB saved = {};
    saved.DCBlength = sizeof saved;
    if (!GetCommState(port->handle, &saved)) return "Error Setting Comm State.";
    // A port left in hardware flow control keeps RTS for the handshake. Either
    // flag says so: Wine reads a pty's CRTSCTS back without the RTS handshake.
    bool handshake = saved.fOutxCtsFlow || saved.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (options.flowControl == FlowUnchanged && options.rtsControl >= 0 && handshake)
        return "Invalid RTS in input to COMSET.";
    // The direction not given keeps what the port has: the time-outs the
    // script gave it, not the slices its device holds.
    COMMTIMEOUTS timeouts = {};
    DWORD interval = 0;
    if (options.setsTimeouts) {
        if (!knowPortTimeouts(port)) return "Error Setting Comm Timeouts.";
        timeouts = port->timeouts;
        interval = options.setsReadInterval ? options.readInterval : port->readInterval;
        mergeTimeouts(options, interval, &timeouts);
    }
    COMMTIMEOUTS sliced = slicedTimeouts(timeouts);

    DCB dcb = saved;
    applyPortOptions(options, &dcb);
    if (!SetCommState(port->handle, &dcb)) return "Error Setting Comm State.";
    if (options.setsTimeouts && !SetCommTimeouts(port->handle, &sliced)) {
        // Back to the line the port had, so that the failed call changed nothing.
        SetCommState(port->handle, &saved);
        return "Error Setting Comm Timeouts.";
    }
    if (options.setsTimeouts) recordPortTimeouts(port, timeouts, interval);
    return nullptr;
}

}  // namespace

void handleComSet(int, mxArray*[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 3) mexErrMsgIdAndTxt(setErrorId, "Invalid number of inputs to COMSET.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(setErrorId, "Cannot configure the port.");
    const mxArray* settings = prhs[2];
    if (!mxIsStruct(settings) || mxGetNumberOfElements(settings) == 0)
        mexErrMsgIdAndTxt(setErrorId, "Invalid settings in input to COMSET.");
    PortOptions options;
    const char* refusal = readPortOptions(settings, setRules, &options);
    if (refusal != nullptr) mexErrMsgIdAndTxt(setErrorId, refusal);

    // The host's memory a new InputBufferSize needs is taken first; no
    // memory is reported once the other settings are applied.
    ReaderChange readerChange = {};
    bool readerPrepared = !options.setsInputBufferSize ||
                          prepareReaderChange(port, options.inputBufferSize, &readerChange);

    pausePortReader(port);
    const char* failure = applySettings(port, options);
    if (failure == nullptr && options.setsInputBufferSize && readerPrepared) {
        // The reader changes what its device holds: the port's own time-outs first.
        if (options.inputBufferSize > 0) knowPortTimeouts(port);
        if (!changePortReader(port, &readerChange)) failure = "Cannot start the port's reader.";
    }
    resumePortReader(port);

    settleReaderChange(&readerChange);
    if (failure == nullptr && !readerPrepared) failure = "Cannot start the port's reader.";
    if (failure != nullptr) mexErrMsgIdAndTxt(setErrorId, failure);
}
