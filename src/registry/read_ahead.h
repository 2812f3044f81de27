// The bytes a port has read ahead (PortEntry::readAhead): comreadline keeps
// there what it read past a line, the port's reader what arrived between
// calls, and comread serves them before the device.
//
// A block of the host's memory for them is taken before the port's reader is
// paused, put in place while it is, and settled once it runs again: a host
// function may raise and never return (MATLAB does for memory it cannot
// give), which would leave the reader paused.
#pragma once

#include "host/mex_api.h"
#include "registry/port_registry.h"

inline const unsigned char* readAheadBytes(const PortEntry* port) {
    return port->readAhead + port->readAheadStart;
}

// Where the next bytes read go; room was made for them.
inline unsigned char* readAheadEnd(PortEntry* port) {
    return port->readAhead + port->readAheadStart + port->readAheadSize;
}

struct ReadAheadBlock {
    unsigned char* fresh;        // reserved, not (yet) the port's
    DWORD capacity;              // of fresh
    unsigned char* taken;        // the call's memory the port took: made persistent
    unsigned char* released[2];  // blocks the port let go of: freed
};

// Before the pause: a block of limit bytes when the port's is smaller (port
// may be nullptr: a port without one). False when the host has no memory.
bool reserveReadAhead(const PortEntry* port, DWORD limit, ReadAheadBlock* block);

// While paused: the port takes the block reserved, if any; the held bytes move into it.
void takeReadAheadBlock(PortEntry* port, ReadAheadBlock* block);

// While paused: the port takes buffer (capacity bytes, host memory of the
// call) as its block: its first size bytes are what it holds now.
void takeCallBuffer(PortEntry* port, ReadAheadBlock* block, unsigned char* buffer, DWORD capacity,
                    DWORD size);

// While paused: the port lets go of its block and holds nothing (comflush).
void releaseHeldBlock(PortEntry* port, ReadAheadBlock* block);

// Once the reader runs again: a block the port took is made persistent, the
// one it let go of and one it did not take are freed.
void settleReadAhead(ReadAheadBlock* block);

// Room for room more bytes behind the held ones within the port's block: the
// held bytes move to its front once its end is near. False when the block is
// too small for them.
bool makeTailRoom(PortEntry* port, DWORD room);

// Drops the first count held bytes (they were returned).
void consumeReadAhead(PortEntry* port, DWORD count);

// A 1-by-count row of doubles, 0 to 255.
mxArray* byteRow(const unsigned char* bytes, DWORD count);
// A 1-by-count char row, a character for each byte (Latin-1).
mxArray* charRow(const unsigned char* bytes, DWORD count);
