// The module-wide list of open ports, keyed by FileID. Entries live in host
// memory made persistent, newest first behind a statically allocated anchor.
#pragma once

#include "device/serial_device.h"

#include <cstdint>

struct PortReader;

// Line errors since the port was opened or comerrors last reported them: one
// for each ClearCommError that found the error's flag (port_errors.h).
struct LineErrorCounts {
    uint64_t overrun;        // CE_OVERRUN
    uint64_t queueOverflow;  // CE_RXOVER
    uint64_t framing;        // CE_FRAME
    uint64_t parity;         // CE_RXPARITY
    uint64_t breaks;         // CE_BREAK
};

struct PortEntry {
    int32_t id;
    HANDLE handle;    // the open device; nullptr only while closeAllPorts releases it
    PortEntry* next;  // next older entry
    PortEntry* prev;  // next newer entry; the anchor for the newest
    // Bytes read from the device and not yet returned (comreadline reads
    // ahead): readAheadSize of them from readAhead + readAheadStart, in a
    // persistent block of readAheadCapacity bytes (nullptr before the first).
    unsigned char* readAhead;
    DWORD readAheadStart;
    DWORD readAheadSize;
    DWORD readAheadCapacity;
    // The port's time-outs as the script sees them: what comopen or comset
    // gave, or the port's own as GetCommTimeouts first gave them; and what
    // the device holds now (their sliced form, or the last slice asked for).
    // Both are known once timeoutsRead is set.
    bool timeoutsRead;
    COMMTIMEOUTS timeouts;
    COMMTIMEOUTS deviceTimeouts;
    // The ReadIntervalTimeout in ms (0: none) the script gave, or the port's
    // own; kept apart because ReadTimeout 0's record ({MAXDWORD, 0, 0}) has no
    // room for it, and a later ReadTimeout keeps it.
    DWORD readInterval;
    LineErrorCounts lineErrors;
    // Bytes comwrite has written since the port was opened (comcount's third output).
    uint64_t bytesWritten;
    // InputBufferSize's reader (registry/port_reader.h), or nullptr.
    PortReader* reader;
};

// The anchor has id -1 and no handle; its next is the newest entry. It is
// never compared by a search and never released.
struct PortRegistry {
    PortEntry anchor;
};

extern PortRegistry portRegistry;

// Sets the anchor to an empty list; once per load, before any other use.
void resetPortRegistry();
// Takes ownership of handle: on "Out of memory in MEX-file" it is closed first.
int32_t registerPort(int32_t id, HANDLE handle);
PortEntry* findPort(int32_t id);
// Removes and releases the entry and its read-ahead bytes; the caller has
// stopped its reader and closed its device.
void unlinkPort(int32_t id);
void closeAllPorts();
// Drops the entry's read-ahead bytes and their block.
void releaseReadAhead(PortEntry* entry);
void onModuleExit();
