// The open port an id argument names.
#pragma once

#include "host/mex_api.h"
#include "registry/port_registry.h"

// The registry entry, with its device, of the FileID that value holds (read
// as a host double and truncated toward zero); nullptr when none is open.
PortEntry* findOpenPort(const mxArray* value);
