// brindlecast('comflush', id[, which]): discard what was received and not
// yet read ('input'), what was written and not yet sent ('output'), or both
// (the default).
#include "arguments/text_word.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "registry/read_ahead.h"
#include "serial/mode_handlers.h"

namespace {

const char* const flushErrorId = "QUENTAROX:brindlecast:comflush";

const char* const bufferWords[] = {"input", "output", "both"};
const DWORD bufferPurges[] = {
    PURGE_RXCLEAR | PURGE_RXABORT,
    PURGE_TXCLEAR | PURGE_TXABORT,
    PURGE_RXCLEAR | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_TXABORT,
};

}  // namespace

void handleComFlush(int, mxArray*[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 2 && nrhs != 3)
        mexErrMsgIdAndTxt(flushErrorId, "Invalid number of inputs to COMFLUSH.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(flushErrorId, "Cannot flush the port.");
    int buffer = 2;
    if (nrhs == 3) {
        buffer = matchWord(prhs[2], bufferWords, 3);
        if (buffer < 0) mexErrMsgIdAndTxt(flushErrorId, "Invalid buffer in input to COMFLUSH.");
    }
    // A purge that fails (the device was lost) leaves nothing to report.
    ReadAheadBlock block = {};
    pausePortReader(port);
    PurgeComm(port->handle, bufferPurges[buffer]);
    // What was read ahead was received and not read as well. A reader keeps
    // its block to fill; without one the block goes.
    if (buffer != 1 && port->reader != nullptr) consumeReadAhead(port, port->readAheadSize);
    if (buffer != 1 && port->reader == nullptr) releaseHeldBlock(port, &block);
    resumePortReader(port);
    settleReadAhead(&block);
}
