// A port's reader (InputBufferSize, from comopen and comset): a thread of the
// module that moves what the device receives into the port's read-ahead
// between the script's calls, so that a device that streams faster than the
// script reads loses nothing while the script is busy elsewhere.
//
// It never waits inside the device (Windows would hold the script's calls on
// the handle until it ended): it takes what is waiting, with {MAXDWORD, 0, 0}
// time-outs, and when nothing was it sleeps 1 ms, or 4 ms once the line has
// been quiet a while. It calls no host function. The read-ahead and the
// time-outs the device holds are the reader's while it runs, under its lock,
// and the script's calls' while it is paused.
//
// A call that uses the device or the held bytes pauses the reader once and
// resumes it once, around code that calls no host function: an error of the
// host never returns, and would leave the reader paused. What it needs of the
// host's memory is taken before the pause; its results are made after.
#pragma once

#include "device/serial_device.h"
#include "registry/port_registry.h"
#include "registry/read_ahead.h"

struct PortReader {
    PortEntry* port;
    HANDLE thread;
    CRITICAL_SECTION lock;  // guards the flags, the limit and the record of the device's time-outs
    DWORD limit;            // InputBufferSize: it takes bytes while fewer are held
    bool paused;            // a call of the script has the device and the held bytes
    bool stopping;
    bool ended;  // the device failed (it was lost): the thread has returned
};

// Once pausePortReader returns, the reader is out of the device and leaves
// the read-ahead and the device's time-outs alone until resumePortReader.
// Nothing for a port without a reader.
void pausePortReader(PortEntry* port);
void resumePortReader(PortEntry* port);

// A change of InputBufferSize, in three steps around the pause of the call
// that makes it.
struct ReaderChange {
    DWORD limit;           // 0 stops the reader
    PortReader* fresh;     // a record for a port that has no reader yet
    bool freshTaken;       // the port's reader runs on it: it is made persistent
    ReadAheadBlock block;  // room for limit held bytes
    PortReader* released;  // the record of a reader that is gone
};

// Before the pause (port may be nullptr: not yet registered). False when the
// host has no memory; nothing has changed.
bool prepareReaderChange(const PortEntry* port, DWORD limit, ReaderChange* change);

// While paused: stops the reader (the held bytes stay), gives it the new
// limit, or starts one, paused, with room for limit held bytes; a reader
// whose device failed starts again. The caller has read the port's time-outs
// (knowPortTimeouts): the reader changes what its device holds. False when
// they are unknown or no thread can be started: the port keeps the reader it had, if it
// still runs.
bool changePortReader(PortEntry* port, ReaderChange* change);

// Once the reader runs again: the host's memory is settled.
void settleReaderChange(ReaderChange* change);

// Stops the port's reader, if it has one, and waits for its thread to end;
// before the device is closed. The held bytes stay (an empty block is freed).
// Not while a call has it paused.
void stopPortReader(PortEntry* port);
