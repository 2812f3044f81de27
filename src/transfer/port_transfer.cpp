#include "transfer/port_transfer.h"

#include "host/host_interrupt.h"
#include "transfer/port_timeouts.h"
#include "transfer/slices.h"
#include "transfer/wait_clock.h"

namespace {

// A total of m * count + c ms from start; never (INT64_MAX) for none at all.
int64_t endOfTotal(DWORD multiplier, DWORD constant, DWORD count, int64_t start) {
    if (multiplier == 0 && constant == 0) return INT64_MAX;
    return start + (int64_t(multiplier) * count + constant) * 1000;
}

// A slice the device ended this much before its time ended on the interval.
const int64_t kEarlyMicroseconds = 1000;

// The device's record for the next slice of a read: at most milliseconds,
// and interval ms (0: none) after a byte; 0 takes what is waiting, at once.
COMMTIMEOUTS readSlice(const PortEntry* port, DWORD milliseconds, DWORD interval) {
    COMMTIMEOUTS slice = port->deviceTimeouts;
    slice.ReadIntervalTimeout = milliseconds == 0 ? MAXDWORD : interval;
    slice.ReadTotalTimeoutMultiplier = 0;
    slice.ReadTotalTimeoutConstant = milliseconds;
    return slice;
}

}  // namespace

BOOL readPort(PortEntry* port, unsigned char* buffer, DWORD count, DWORD* received,
              int64_t startMicroseconds, bool bytesHeld) {
    *received = 0;
    if (!knowPortTimeouts(port)) return ReadFile(port->handle, buffer, count, received, nullptr);
    const COMMTIMEOUTS& own = port->timeouts;
    const ReadWait wait = readWaitOf(own);
    if (wait == ReadAtOnce || wait == ReadByPortRules) {
        // Nothing to slice, or nothing this module can: one call, as the port has it.
        COMMTIMEOUTS device = port->deviceTimeouts;
        device.ReadIntervalTimeout = own.ReadIntervalTimeout;
        device.ReadTotalTimeoutMultiplier = own.ReadTotalTimeoutMultiplier;
        device.ReadTotalTimeoutConstant = own.ReadTotalTimeoutConstant;
        if (!holdDeviceTimeouts(port, device)) return FALSE;
        return ReadFile(port->handle, buffer, count, received, nullptr);
    }
    // The interval runs once a byte is there: each slice ends by its end too,
    // and the device ends a slice on it once a byte has come within that slice.
    const DWORD interval = wait == ReadWithInterval ? own.ReadIntervalTimeout : 0;
    const bool timed =
        own.ReadTotalTimeoutMultiplier != 0 || own.ReadTotalTimeoutConstant != 0 || interval != 0;
    // Read once for a call that starts here: its first slice starts then too.
    bool clockJustRead = startMicroseconds == kCallStartsNow && timed;
    if (startMicroseconds == kCallStartsNow)
        startMicroseconds = timed ? monotonicMicroseconds() : 0;
    const int64_t end = endOfTotal(own.ReadTotalTimeoutMultiplier, own.ReadTotalTimeoutConstant,
                                   count, startMicroseconds);
    const int64_t intervalMicroseconds = int64_t(interval) * 1000;
    bool byteCame = bytesHeld;
    int64_t lastByte = startMicroseconds;
    for (;;) {
        int64_t until = end;
        if (interval != 0 && byteCame && lastByte + intervalMicroseconds < until)
            until = lastByte + intervalMicroseconds;
        // The clock is read only when something is timed.
        const int64_t sliceStart = !timed          ? 0
                                   : clockJustRead ? startMicroseconds
                                                   : monotonicMicroseconds();
        clockJustRead = false;
        DWORD milliseconds = kSliceMilliseconds;
        if (until != INT64_MAX) milliseconds = nextSliceMilliseconds(until - sliceStart);
        if (!holdDeviceTimeouts(port, readSlice(port, milliseconds, interval))) return FALSE;
        DWORD got = 0;
        BOOL read = ReadFile(port->handle, buffer + *received, count - *received, &got, nullptr);
        *received += got;
        if (!read) return FALSE;
        if (*received == count) return TRUE;
        if (hostInterruptPending()) return TRUE;
        if (interval != 0 && got > 0) {
            const int64_t now = monotonicMicroseconds();
            if (now < sliceStart + int64_t(milliseconds) * 1000 - kEarlyMicroseconds) return TRUE;
            // Bytes kept coming until the slice ended: the last one came by now.
            byteCame = true;
            lastByte = now;
            until = end;
        }
        if (until != INT64_MAX && monotonicMicroseconds() >= until) return TRUE;
    }
}

BOOL writePort(PortEntry* port, const unsigned char* bytes, DWORD count, DWORD* written,
               int64_t startMicroseconds) {
    *written = 0;
    // A port read by its own rules keeps its time-outs whole, as it has them.
    if (!knowPortTimeouts(port) || readWaitOf(port->timeouts) == ReadByPortRules)
        return WriteFile(port->handle, bytes, count, written, nullptr);
    const COMMTIMEOUTS& own = port->timeouts;
    const bool timed = own.WriteTotalTimeoutMultiplier != 0 || own.WriteTotalTimeoutConstant != 0;
    if (startMicroseconds == kCallStartsNow)
        startMicroseconds = timed ? monotonicMicroseconds() : 0;
    const int64_t end = endOfTotal(own.WriteTotalTimeoutMultiplier, own.WriteTotalTimeoutConstant,
                                   count, startMicroseconds);
    for (;;) {
        DWORD milliseconds = kSliceMilliseconds;
        if (end != INT64_MAX) {
            // A write has no "at once": its slices are rounded up, to 1 ms at least.
            int64_t left = (end - monotonicMicroseconds() + 999) / 1000;
            milliseconds = left < 1                    ? 1
                           : left > kSliceMilliseconds ? kSliceMilliseconds
                                                       : static_cast<DWORD>(left);
        }
        COMMTIMEOUTS slice = port->deviceTimeouts;
        slice.WriteTotalTimeoutMultiplier = 0;
        slice.WriteTotalTimeoutConstant = milliseconds;
        if (!holdDeviceTimeouts(port, slice)) return FALSE;
        DWORD sent = 0;
        BOOL wrote = WriteFile(port->handle, bytes + *written, count - *written, &sent, nullptr);
        *written += sent;
        if (!wrote) return FALSE;
        if (*written == count || hostInterruptPending()) return TRUE;
        if (end != INT64_MAX && monotonicMicroseconds() >= end) return TRUE;
    }
}
