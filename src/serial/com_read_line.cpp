// [bytes, n] = brindlecast('comreadline', id, maxcount[, terminator]): the
// bytes up to and including the first terminator (LF unless given), or
// exactly maxcount bytes when none came within them. With a fifth input
// 'char', the line as a char row without its terminator (n still counts it);
// 'string', as a MATLAB string (Octave, which has none, gives the char row).
// At the time-out, or when the device is lost, it returns no bytes and keeps
// what it read for the next call: a line is never returned in halves.
//
// It reads in blocks: ClearCommError says what is waiting and ReadFile takes
// that much at once (with ReadTimeout 0 a read alone does both); bytes past
// the line stay in the port's read-ahead. Only when nothing is waiting does
// it wait, for one byte, in slices that Ctrl-C can end, and at most the time
// left of the port's ReadTimeout.
#include "arguments/host_number.h"
#include "arguments/line_terminator.h"
#include "arguments/number_conversion.h"
#include "arguments/text_word.h"
#include "device/serial_device.h"
#include "host/host_interrupt.h"
#include "host/host_strings.h"
#include "host/mex_api.h"
#include "registry/port_errors.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "registry/read_ahead.h"
#include "serial/mode_handlers.h"
#include "transfer/port_timeouts.h"
#include "transfer/port_transfer.h"
#include "transfer/wait_clock.h"

#include <cstdint>
#include <cstring>

namespace {

const char* const lineErrorId = "QUENTAROX:brindlecast:comreadline";
// The forms of text a line can take: a char row, or a MATLAB string (a char
// row in Octave, which has none).
const char* const textWords[] = {"char", "string"};

// A line ends with its terminator; one cut at maxcount need not.
bool endsWithTerminator(const unsigned char* line, DWORD length, const LineTerminator& terminator) {
    return length >= terminator.length &&
           std::memcmp(line + length - terminator.length, terminator.bytes, terminator.length) == 0;
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

// Reads until the held bytes begin with a line, with the reader paused: no
// host function is called. The line is moved into line; its length, or 0 at
// the time-out, on Ctrl-C or when the device is lost: the bytes then stay
// held. The port's block has room for count bytes.
DWORD takeLine(PortEntry* port, unsigned char* line, DWORD count, const LineTerminator& terminator,
               int64_t start) {
    // Unknown time-outs mean a lost device: only held bytes can make a line.
    const bool known = knowPortTimeouts(port);
    const bool atOnce = known && readWaitOf(port->timeouts) == ReadAtOnce;
    DWORD searched = 0;
    // Ctrl-C, before the read or during it: the host drops what the call
    // returns, so nothing is taken from the held bytes.
    while (!hostInterruptPending()) {
        DWORD length = heldLine(port, count, searched, terminator);
        if (length > 0 || count == 0) {
            if (length > 0) std::memcpy(line, readAheadBytes(port), length);
            consumeReadAhead(port, length);
            return length;
        }
        if (!known) break;
        searched = port->readAheadSize;
        const DWORD wanted = count - port->readAheadSize;

        // With ReadTimeout 0 a read returns at once with what is waiting: one
        // call, no count asked first.
        DWORD ask = wanted;
        if (!atOnce) {
            COMSTAT status = {};
            if (!clearPortErrors(port, &status)) break;  // the device is lost
            ask = status.cbInQue < wanted ? status.cbInQue : wanted;
        }
        // Bytes that are waiting are read even once the time is up: a line
        // that has arrived is returned, not timed out. Otherwise it waits for
        // one byte, then reads what came behind it.
        const bool waits = ask == 0 && !atOnce;
        if (waits) ask = 1;
        makeTailRoom(port, ask);
        DWORD got = 0;
        BOOL read = waits ? readPort(port, readAheadEnd(port), 1, &got, start, false)
                          : ReadFile(port->handle, readAheadEnd(port), ask, &got, nullptr);
        port->readAheadSize += got;  // kept even when the device then failed
        // The device is lost, nothing is waiting with ReadTimeout 0, or the
        // time is up.
        if (!read || got == 0) break;
    }
    return 0;
}

}  // namespace

void handleComReadLine(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    const int64_t start = monotonicMicroseconds();
    if (nrhs < 3 || nrhs > 5)
        mexErrMsgIdAndTxt(lineErrorId, "Invalid number of inputs to COMREADLINE.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(lineErrorId, "Cannot read the port.");
    int64_t requested = truncateToInt64(readHostDouble(prhs[2]));
    if (requested < 0) mexErrMsgIdAndTxt(lineErrorId, "Invalid count to COMREADLINE.");
    // As comread: the low 32 bits.
    const DWORD count = static_cast<DWORD>(static_cast<uint64_t>(requested));
    LineTerminator terminator = {{'\n'}, 1};
    if (nrhs >= 4 && !readLineTerminator(prhs[3], &terminator))
        mexErrMsgIdAndTxt(lineErrorId, "Invalid terminator to COMREADLINE.");
    // 'char' or 'string': the line as text, without its terminator.
    const bool asText = nrhs == 5;
    const int textForm = asText ? matchWord(prhs[4], textWords, 2) : 0;
    if (textForm < 0) mexErrMsgIdAndTxt(lineErrorId, "Invalid data type to COMREADLINE.");
    // The host's memory first: a block that holds the largest count asked for
    // (so that a failure loses nothing), and the line's bytes.
    ReadAheadBlock block;
    unsigned char* line = static_cast<unsigned char*>(mxMalloc(count > 0 ? count : 1));
    if (line == nullptr || !reserveReadAhead(port, count, &block))
        mexErrMsgIdAndTxt(lineErrorId, "Memory allocation failed.");

    pausePortReader(port);
    takeReadAheadBlock(port, &block);
    const DWORD length = takeLine(port, line, count, terminator, start);
    resumePortReader(port);

    settleReadAhead(&block);
    // Timed out, interrupted, or the device is lost: no half line.
    if (asText) {
        plhs[0] = charRow(line, length - (endsWithTerminator(line, length, terminator)
                                              ? static_cast<DWORD>(terminator.length)
                                              : 0));
        mxArray* text = nullptr;
        if (textForm == 1 && hostHasStrings() &&
            mexCallMATLAB(1, &text, 1, &plhs[0], "string") == 0 && text != nullptr) {
            mxDestroyArray(plhs[0]);
            plhs[0] = text;
        }
    } else {
        plhs[0] = byteRow(line, length);
    }
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(length));
    mxFree(line);
}
