#include "registry/port_lookup.h"

#include "arguments/host_number.h"
#include "arguments/number_conversion.h"

PortEntry* findOpenPort(const mxArray* value) {
    PortEntry* port = findPort(truncateToInt32(readHostDouble(value)));
    if (port == nullptr || port->handle == nullptr) return nullptr;
    return port;
}
