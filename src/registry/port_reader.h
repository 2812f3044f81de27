// A port's reader (InputBufferSize, from comopen and comset): a thread of the
// module that moves what the device receives into the port's read-ahead
// between the script's calls, so that a device that streams faster than the
// script reads loses nothing while the script is busy elsewhere.
//
// It never waits inside the device (Windows would hold the script's calls on
// the handle until it ended): it takes what is waiting, with {MAXDWORD, 0, 0}
// time-outs, and when nothing was it sleeps 1 ms, or 4 ms once the line has
// been quiet a while. It calls no host function. The read-ahead and the time-outs the device holds
// are the reader's while it runs, under its lock, and the script's calls' while it is paused: each
// call pauses it around its use of the device and the held bytes.
#pragma once

#include "device/serial_device.h"
#include "registry/port_registry.h"

struct PortReader {
    PortEntry* port;
    HANDLE thread;
    CRITICAL_SECTION lock;  // guards the flags and limit
    DWORD limit;            // InputBufferSize: it takes bytes while fewer are held
    bool paused;            // a call of the script has the device and the held bytes
    bool stopping;
    bool ended;  // the device failed (it was lost): the thread has returned
};

// Starts the port's reader, paused (the call that starts it has the device),
// or gives the paused one a new limit; the read-ahead first gets room for
// limit bytes. The port's time-outs are known (knowPortTimeouts): the reader
// changes what its device holds. False when there is no memory or no thread:
// the port then has the reader it had (none, if that one had ended).
bool startPortReader(PortEntry* port, DWORD limit);

// Stops the port's reader, if it has one, and waits for its thread to end;
// before the device is closed. The held bytes stay (an empty block is freed).
void stopPortReader(PortEntry* port);

// Once pausePortReader returns, the reader is out of the device and leaves
// the read-ahead and the device's time-outs alone until resumePortReader.
// Nothing for a port without a reader. The host's error functions never
// return: a call resumes the reader before it reports one.
void pausePortReader(PortEntry* port);
void resumePortReader(PortEntry* port);

// comflush: drops the held bytes. A port with a reader keeps its block, which
// the reader fills; the caller has paused it.
void dropHeldBytes(PortEntry* port);
