#include "registry/port_errors.h"

#include <cstring>

BOOL clearPortErrors(PortEntry* port, COMSTAT* status) {
    DWORD errors = 0;
    if (!ClearCommError(port->handle, &errors, status)) {
        std::memset(status, 0, sizeof *status);
        return FALSE;
    }
    LineErrorCounts& counts = port->lineErrors;
    if (errors & CE_OVERRUN) ++counts.overrun;
    if (errors & CE_RXOVER) ++counts.queueOverflow;
    if (errors & CE_FRAME) ++counts.framing;
    if (errors & CE_RXPARITY) ++counts.parity;
    if (errors & CE_BREAK) ++counts.breaks;
    return TRUE;
}
