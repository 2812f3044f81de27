// brindlecast('comclose', id): close the port with that FileID and forget it.
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"

void handleComClose(int, mxArray*[], int, const mxArray* prhs[]) {
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr)
        mexErrMsgIdAndTxt("QUENTAROX:brindlecast:comclose", "Cannot close the port.");
    int32_t id = port->id;
    stopPortReader(port);
    CloseHandle(port->handle);
    unlinkPort(id);
}
