// Reads and writes that wait by the port's time-outs in slices, and end
// early when Ctrl-C is raised (the caller then finds hostInterruptPending()
// true). When the bytes are there, a read is one device call, as a write
// the line takes at once is.
#pragma once

#include "device/serial_device.h"
#include "registry/port_registry.h"

#include <cstdint>

// A call whose transfer starts with it: the clock is read only when the
// port's time-outs time something, so that an untimed read or write pays
// nothing for it.
const int64_t kCallStartsNow = INT64_MIN;

// Up to count bytes into buffer; *received says how many, also when the
// device failed (FALSE) after delivering some. A total time-out runs from
// startMicroseconds (monotonicMicroseconds at the call's start, or
// kCallStartsNow). The port's
// ReadIntervalTimeout runs from the last byte that arrived, or from the start
// when the caller already holds bytes for the script (bytesHeld); a caller
// that wants the interval ignored reads a single byte.
BOOL readPort(PortEntry* port, unsigned char* buffer, DWORD count, DWORD* received,
              int64_t startMicroseconds, bool bytesHeld);

// Up to count bytes from bytes; *written says how many went out.
BOOL writePort(PortEntry* port, const unsigned char* bytes, DWORD count, DWORD* written,
               int64_t startMicroseconds);
