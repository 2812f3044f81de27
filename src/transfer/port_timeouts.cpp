#include "transfer/port_timeouts.h"

#include "transfer/slices.h"

#include <cstring>

namespace {

bool sameTimeouts(const COMMTIMEOUTS& a, const COMMTIMEOUTS& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A total time-out the device can wait out in one slice.
bool withinASlice(DWORD multiplier, DWORD constant) {
    return multiplier == 0 && constant > 0 && constant <= kSliceMilliseconds;
}

}  // namespace

ReadWait readWaitOf(const COMMTIMEOUTS& timeouts) {
    const DWORD interval = timeouts.ReadIntervalTimeout;
    const DWORD multiplier = timeouts.ReadTotalTimeoutMultiplier;
    const DWORD constant = timeouts.ReadTotalTimeoutConstant;
    if (interval == MAXDWORD && multiplier == 0 && constant == 0) return ReadAtOnce;
    if (interval == 0) return ReadForTotal;
    if (interval != MAXDWORD) return ReadWithInterval;
    return ReadByPortRules;
}

COMMTIMEOUTS slicedTimeouts(const COMMTIMEOUTS& timeouts) {
    COMMTIMEOUTS device = timeouts;
    const ReadWait wait = readWaitOf(timeouts);
    if (wait == ReadByPortRules) return device;
    if (wait != ReadAtOnce &&
        !withinASlice(timeouts.ReadTotalTimeoutMultiplier, timeouts.ReadTotalTimeoutConstant)) {
        device.ReadTotalTimeoutMultiplier = 0;
        device.ReadTotalTimeoutConstant = kSliceMilliseconds;
    }
    if (!withinASlice(timeouts.WriteTotalTimeoutMultiplier, timeouts.WriteTotalTimeoutConstant)) {
        device.WriteTotalTimeoutMultiplier = 0;
        device.WriteTotalTimeoutConstant = kSliceMilliseconds;
    }
    return device;
}

bool knowPortTimeouts(PortEntry* port) {
    if (port->timeoutsRead) return true;
    COMMTIMEOUTS own = {};
    if (!GetCommTimeouts(port->handle, &own)) return false;
    port->timeouts = own;
    port->deviceTimeouts = own;
    port->readInterval = readWaitOf(own) == ReadWithInterval ? own.ReadIntervalTimeout : 0;
    port->timeoutsRead = true;
    return true;
}

void recordPortTimeouts(PortEntry* port, const COMMTIMEOUTS& timeouts, DWORD readInterval) {
    port->timeouts = timeouts;
    port->deviceTimeouts = slicedTimeouts(timeouts);
    port->readInterval = readInterval;
    port->timeoutsRead = true;
}

bool holdDeviceTimeouts(PortEntry* port, const COMMTIMEOUTS& device) {
    if (sameTimeouts(port->deviceTimeouts, device)) return true;
    COMMTIMEOUTS given = device;
    if (!SetCommTimeouts(port->handle, &given)) return false;
    port->deviceTimeouts = device;
    return true;
}
