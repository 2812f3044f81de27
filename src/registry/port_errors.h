// Every ClearCommError the module makes goes through here, so that no line
// error it reports is lost: each flag found adds one to the port's count
// (PortEntry::lineErrors), which comerrors returns. Windows reports
// conditions, not counts; the POSIX layer reports its counts the same way.
#pragma once

#include "device/serial_device.h"
#include "registry/port_registry.h"

// ClearCommError on the port's device, tallying the flags it gives. FALSE
// when the device cannot be asked (it is lost); *status is then all zeros.
// A thread of the module calls it only under the port's lock.
BOOL clearPortErrors(PortEntry* port, COMSTAT* status);
