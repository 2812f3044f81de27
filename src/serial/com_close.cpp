// brindlecast('comclose', id): close the port with that FileID and forget it.
#include "host/mex_api.h"
#include "registry/port_registry.h"
#include "serial/device/serial_device.h"
#include "serial/host_number.h"
#include "serial/mode_handlers.h"
#include "serial/number_conversion.h"

void handleComClose(int, mxArray*[], int, const mxArray* prhs[]) {
    int32_t id = truncateToInt32(readHostDouble(prhs[1]));
    PortEntry* port = findPort(id);
    if (port == nullptr || port->handle == nullptr) {
        mexErrMsgIdAndTxt("QUENTAROX:brindlecast:comclose", "Cannot close the port.");
    }
    CloseHandle(port->handle);
    unlinkPort(id);
}
