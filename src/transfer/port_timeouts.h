// A port's time-outs as the script sees them (PortEntry::timeouts: what
// comopen or comset gave, or the port's own) and what its device holds
// (PortEntry::deviceTimeouts): their sliced form, so that no device call
// waits longer than a slice. The reads and writes of port_transfer.h wait out
// the whole time in slices.
#pragma once

#include "device/serial_device.h"
#include "registry/port_registry.h"

// How a port's read time-outs make a read wait.
enum ReadWait {
    ReadAtOnce,        // {MAXDWORD, 0, 0}: what is waiting, at once
    ReadForTotal,      // {0, m, c}: every byte, or m * count + c ms (none when both are 0)
    ReadWithInterval,  // {i, m, c}, 0 < i < MAXDWORD: as ReadForTotal, and once a byte has
                       // come, until i ms pass without another (ReadIntervalTimeout)
    ReadByPortRules,   // anything else a port may hold, such as {MAXDWORD, MAXDWORD, c} (as
                       // soon as any byte is there, or after c ms; a POSIX port's VMIN 0 and
                       // VTIME): one device call, as the port has it, for reads and writes
};
ReadWait readWaitOf(const COMMTIMEOUTS& timeouts);

// What the device is given for these time-outs: each wait longer than a
// slice becomes a slice; an interval is kept. Time-outs read by the port's
// rules are kept whole.
COMMTIMEOUTS slicedTimeouts(const COMMTIMEOUTS& timeouts);

// Fills in the port's time-outs from the device, the first time they are
// needed (comopen and comset record those they set). False when they cannot
// be read: the device is lost.
bool knowPortTimeouts(PortEntry* port);

// Records what comopen or comset gave the port, and its ReadIntervalTimeout
// (ms, 0 for none; hidden in the record by ReadTimeout 0); its device
// already holds their sliced form.
void recordPortTimeouts(PortEntry* port, const COMMTIMEOUTS& timeouts, DWORD readInterval);

// Gives the device this record, unless it holds it already.
bool holdDeviceTimeouts(PortEntry* port, const COMMTIMEOUTS& device);
