// brindlecast('comread', id, count): read up to count bytes; returns them as a
// row of doubles (0 to 255) and, as a second output, how many arrived.
// brindlecast('comread', id, count, class): up to count elements of a numeric
// class ('uint16'), laid out as comwrite sends them; a part element is kept.
#include "arguments/element_size.h"
#include "arguments/host_number.h"
#include "arguments/number_conversion.h"
#include "device/serial_device.h"
#include "host/host_interrupt.h"
#include "host/mex_api.h"
#include "registry/port_lookup.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "registry/read_ahead.h"
#include "serial/mode_handlers.h"
#include "transfer/port_transfer.h"

#include <cstdint>
#include <cstring>

namespace {

const char* const readErrorId = "QUENTAROX:brindlecast:comread";

// What a read took: the bytes in the call's buffer (what was held first, then
// what the device gave), of which whole elements are returned.
struct ReadTaken {
    DWORD held;      // of those, the bytes that were held
    DWORD bytes;     // in the buffer
    DWORD returned;  // of those, the whole elements' bytes
    BOOL deviceRead;
    bool fromHeldOnly;  // held bytes were enough: the device was not asked
    bool interrupted;   // Ctrl-C: everything stays held, nothing is returned
};

// The read itself, with the reader paused: no host function is called. buffer
// has room for wanted bytes; the held ones come first, and when they are
// enough the device is not asked. A part element (size bytes each) stays held;
// so does everything when Ctrl-C ends the read, since the host then drops
// what the call returns.
ReadTaken takeBytes(PortEntry* port, unsigned char* buffer, DWORD wanted, DWORD size,
                    ReadAheadBlock* block) {
    const DWORD held = port->readAheadSize;
    ReadTaken taken = {held, 0, 0, TRUE, false, false};
    if (held >= wanted && held > 0) {
        std::memcpy(buffer, readAheadBytes(port), wanted);
        consumeReadAhead(port, wanted);
        taken.bytes = taken.returned = wanted;
        taken.fromHeldOnly = true;
        return taken;
    }
    if (held > 0) std::memcpy(buffer, readAheadBytes(port), held);
    DWORD received = 0;
    taken.deviceRead =
        readPort(port, buffer + held, wanted - held, &received, kCallStartsNow, held > 0);
    taken.bytes = held + received;
    if (hostInterruptPending()) {
        // Behind the held bytes, in the port's block or, when that is too
        // small, in the buffer, which holds them all in order.
        taken.interrupted = true;
        if (makeTailRoom(port, received)) {
            if (received > 0) std::memcpy(readAheadEnd(port), buffer + held, received);
            port->readAheadSize += received;
        } else {
            takeCallBuffer(port, block, buffer, wanted, taken.bytes);
        }
        return taken;
    }
    taken.returned = taken.bytes / size * size;
    // The held bytes are in the buffer; a part element goes back, alone, to
    // the block that was made big enough for it.
    consumeReadAhead(port, held);
    const DWORD rest = taken.bytes - taken.returned;
    if (rest > 0) {
        std::memcpy(port->readAhead, buffer + taken.returned, rest);
        port->readAheadSize = rest;
    }
    return taken;
}

// An empty row of the class asked for (bytes: doubles) and a count of 0.
void returnNothing(int nlhs, mxArray* plhs[], mxClassID classId) {
    plhs[0] = classId != mxUNKNOWN_CLASS ? mxCreateNumericMatrix_700(1, 0, classId, mxREAL)
                                         : mxCreateDoubleMatrix_700(1, 0, mxREAL);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(0);
}

// A 1-by-n row of the class of whole elements of size bytes, as they lie.
mxArray* elementRow(mxClassID classId, const unsigned char* bytes, DWORD count) {
    mxArray* row = mxCreateNumericMatrix_700(1, static_cast<int>(count), classId, mxREAL);
    if (count > 0) std::memcpy(mxGetData(row), bytes, count * elementSize(classId));
    return row;
}

}  // namespace

void handleComRead(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 3 && nrhs != 4)
        mexErrMsgIdAndTxt(readErrorId, "Invalid number of inputs to COMREAD.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(readErrorId, "Cannot read the port.");
    int64_t requested = truncateToInt64(readHostDouble(prhs[2]));
    if (requested < 0) mexErrMsgIdAndTxt(readErrorId, "Invalid count to COMREAD.");
    // Bytes unless a class is given; only the low 32 bits of a byte count
    // reach the device call.
    mxClassID classId = mxUNKNOWN_CLASS;
    DWORD size = 1;
    DWORD wanted = static_cast<DWORD>(static_cast<uint64_t>(requested));
    if (nrhs == 4) {
        ClassNameRead named = readNumericClassName(prhs[3], &classId);
        if (named == ClassTextUnmade) mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");
        if (named == ClassRefused) mexErrMsgIdAndTxt(readErrorId, "Invalid data type to COMREAD.");
        size = static_cast<DWORD>(elementSize(classId));
        if (static_cast<uint64_t>(requested) > UINT32_MAX / size)
            mexErrMsgIdAndTxt(readErrorId, "Invalid count to COMREAD.");
        wanted = static_cast<DWORD>(requested) * size;
    }

    // Ctrl-C came before the read: the host would drop what it took.
    if (hostInterruptPending()) return returnNothing(nlhs, plhs, classId);
    // The host's memory first: the bytes, and room for a part element to
    // stay held, so that no byte the device gives can be lost.
    ReadAheadBlock block;
    unsigned char* buffer = static_cast<unsigned char*>(mxMalloc(wanted > 0 ? wanted : 1));
    if (buffer == nullptr || !reserveReadAhead(port, size > 1 ? size : 0, &block))
        mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");

    pausePortReader(port);
    takeReadAheadBlock(port, &block);
    const ReadTaken taken = takeBytes(port, buffer, wanted, size, &block);
    resumePortReader(port);

    // An interrupted read's bytes may have become the port's block.
    const bool bufferHeld = block.taken == buffer;
    settleReadAhead(&block);
    if (taken.interrupted) {
        returnNothing(nlhs, plhs, classId);
    } else if (classId != mxUNKNOWN_CLASS) {
        plhs[0] = elementRow(classId, buffer, taken.returned / size);
    } else if (taken.held > 0 || taken.deviceRead) {
        // Held bytes are returned even when the device then failed, with
        // whatever it gave before; without them, a failed read gives 0 and
        // the count, as it always has.
        plhs[0] = byteRow(buffer, taken.returned);
    } else {
        plhs[0] = mxCreateDoubleScalar(0);
    }
    // The host's output array may hold one slot only.
    if (!taken.interrupted && nlhs >= 2)
        plhs[1] = mxCreateDoubleScalar(static_cast<double>(taken.returned / size));
    if (!bufferHeld) mxFree(buffer);
}
