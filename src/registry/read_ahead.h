// The bytes a port has read ahead (PortEntry::readAhead): comreadline keeps
// there what it read past a line, comread serves them before the device.
#pragma once

#include "host/mex_api.h"
#include "registry/port_registry.h"

inline const unsigned char* readAheadBytes(const PortEntry* port) {
    return port->readAhead + port->readAheadStart;
}

// Makes room for room more bytes after the held ones (limit, the call's
// count, is at least the held bytes plus room). A block smaller than limit
// is replaced by one of limit bytes. False when the host has no memory for
// it; the held bytes stay as they were.
bool makeReadAheadRoom(PortEntry* port, DWORD room, DWORD limit);

// Where the next bytes read go; room was made for them.
inline unsigned char* readAheadEnd(PortEntry* port) {
    return port->readAhead + port->readAheadStart + port->readAheadSize;
}

// Drops the first count held bytes (they were returned).
void consumeReadAhead(PortEntry* port, DWORD count);

// A 1-by-(first + second) row of doubles: the first bytes, then the second.
mxArray* byteRow(const unsigned char* first, DWORD firstCount, const unsigned char* second,
                 DWORD secondCount);
