// [bytes, n] = brindlecast('comreadline', id, maxcount[, terminator]): the
// bytes up to and including the first terminator (LF unless given), or
// exactly maxcount bytes when none came within them. At the time-out, or
// when the device is lost, it returns no bytes and keeps what it read for
// the next call: a line is never returned in halves.
//
// It reads in blocks: ClearCommError says what is waiting and ReadFile takes
// that much at once (with ReadTimeout 0 a read alone does both); bytes past
// the line stay in the port's read-ahead. Only when nothing is waiting does
// it wait, for one byte and at most the time left of the port's ReadTimeout.
#include "arguments/host_number.h"
#include "arguments/line_terminator.h"
#include "arguments/number_conversion.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_registry.h"
#include "registry/read_ahead.h"
#include "serial/mode_handlers.h"

#include <cstdint>

namespace {

const char* const lineErrorId = "QUENTAROX:brindlecast:comreadline";

// How the port's own time-outs let a read wait for bytes not yet there.
enum WaitKind {
    NoWait,        // ReadTimeout 0: what is waiting, at once
    WaitBounded,   // a positive ReadTimeout: at most that long from the call's start
    WaitPortRules  // Inf, or time-outs the module did not set: as the port's read does
};

WaitKind waitKind(const COMMTIMEOUTS& own) {
    const DWORD interval = own.ReadIntervalTimeout;
    const DWORD multiplier = own.ReadTotalTimeoutMultiplier;
    const DWORD constant = own.ReadTotalTimeoutConstant;
    if (interval == MAXDWORD && multiplier == 0 && constant == 0) return NoWait;
    if (interval == 0 && multiplier == 0 && constant > 0 && constant < MAXDWORD) return WaitBounded;
    return WaitPortRules;
}

// Whole milliseconds left of total since start, rounded up so that no wait
// ends early; 0 once the time has passed. The clock is the device seam's, so
// that the Windows module links no threading runtime for it.
DWORD millisecondsLeft(const LARGE_INTEGER& start, DWORD total) {
    LARGE_INTEGER now, frequency;
    if (!QueryPerformanceCounter(&now) || !QueryPerformanceFrequency(&frequency)) return total;
    int64_t spentUs = (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
    int64_t left = int64_t(total) * 1000 - spentUs;
    return left <= 0 ? 0 : static_cast<DWORD>((left + 999) / 1000);
}

// The length of the line the held bytes begin with (terminator or count
// reached), 0 for none yet. searched: how many were searched before.
DWORD heldLine(const PortEntry* port, DWORD count, DWORD searched,
               const LineTerminator& terminator) {
    DWORD held = port->readAheadSize;
    DWORD within = held < count ? held : count;
    size_t overlap = terminator.length - 1;
    size_t from = searched > overlap ? searched - overlap : 0;
    size_t end = findLineEnd(readAheadBytes(port), within, from, terminator);
    if (end == 0 && held >= count) end = count;
    return static_cast<DWORD>(end);
}

// One timed wait for the next byte: at most milliseconds. Not kernel32's
// "as soon as any byte arrives" mode ({MAXDWORD, MAXDWORD, c}): Wine 8 waits
// the whole c in it on a pty-backed port. The port gets its own time-outs
// back before this returns.
BOOL readNextByte(PortEntry* port, const COMMTIMEOUTS& own, DWORD milliseconds, DWORD* got) {
    COMMTIMEOUTS wait = {0, 0, milliseconds, own.WriteTotalTimeoutMultiplier,
                         own.WriteTotalTimeoutConstant};
    if (!SetCommTimeouts(port->handle, &wait)) return FALSE;
    BOOL read = ReadFile(port->handle, readAheadEnd(port), 1, got, nullptr);
    COMMTIMEOUTS restored = own;
    if (!SetCommTimeouts(port->handle, &restored)) return FALSE;
    return read;
}

}  // namespace

void handleComReadLine(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    LARGE_INTEGER start = {};
    QueryPerformanceCounter(&start);
    if (nrhs != 3 && nrhs != 4)
        mexErrMsgIdAndTxt(lineErrorId, "Invalid number of inputs to COMREADLINE.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(lineErrorId, "Cannot read the port.");
    int64_t requested = truncateToInt64(readHostDouble(prhs[2]));
    if (requested < 0) mexErrMsgIdAndTxt(lineErrorId, "Invalid count to COMREADLINE.");
    // As comread: the low 32 bits.
    const DWORD count = static_cast<DWORD>(static_cast<uint64_t>(requested));
    LineTerminator terminator = {{'\n'}, 1};
    if (nrhs == 4 && !readLineTerminator(prhs[3], &terminator))
        mexErrMsgIdAndTxt(lineErrorId, "Invalid terminator to COMREADLINE.");

    // Read once: comopen makes a new entry, and comset has them read again.
    if (!port->timeoutsRead) port->timeoutsRead = GetCommTimeouts(port->handle, &port->timeouts);
    const COMMTIMEOUTS own = port->timeouts;
    const WaitKind kind = port->timeoutsRead ? waitKind(own) : WaitPortRules;
    DWORD searched = 0;
    for (;;) {
        DWORD line = heldLine(port, count, searched, terminator);
        if (line > 0 || count == 0) {
            plhs[0] = byteRow(readAheadBytes(port), line, nullptr, 0);
            consumeReadAhead(port, line);
            if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(line));
            return;
        }
        if (!port->timeoutsRead) break;  // the device is lost
        searched = port->readAheadSize;
        const DWORD wanted = count - port->readAheadSize;

        // With ReadTimeout 0 a read returns at once with what is waiting: one
        // call, no count asked first.
        DWORD ask = wanted;
        bool waits = false;
        DWORD milliseconds = 0;
        if (kind != NoWait) {
            DWORD errors = 0;
            COMSTAT status = {};
            if (!ClearCommError(port->handle, &errors, &status)) break;  // the device is lost
            ask = status.cbInQue < wanted ? status.cbInQue : wanted;
        }
        // Bytes that are waiting are read even once the time is up: a line
        // that has arrived is returned, not timed out.
        // Otherwise it waits for one byte, then reads what came behind it.
        if (ask == 0) {
            waits = true;
            ask = 1;
            if (kind == WaitBounded) {
                milliseconds = millisecondsLeft(start, own.ReadTotalTimeoutConstant);
                if (milliseconds == 0) break;
            }
        }
        // Room is made before the device is asked, so that a failure loses nothing.
        if (!makeReadAheadRoom(port, ask, count))
            mexErrMsgIdAndTxt(lineErrorId, "Memory allocation failed.");
        DWORD got = 0;
        BOOL read = waits && kind == WaitBounded
                        ? readNextByte(port, own, milliseconds, &got)
                        : ReadFile(port->handle, readAheadEnd(port), ask, &got, nullptr);
        port->readAheadSize += got;  // kept even when the device then failed
        if (!read) break;
        // Nothing waiting with ReadTimeout 0, or the port's own time-out
        // ended the wait.
        if (got == 0 && !(waits && kind == WaitBounded)) break;
    }
    // Timed out, or the device is lost: no half line; the bytes stay held.
    plhs[0] = mxCreateDoubleMatrix_700(1, 0, mxREAL);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(0);
}
