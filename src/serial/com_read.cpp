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

void returnNothing(int nlhs, mxArray* plhs[]) {
    plhs[0] = mxCreateDoubleMatrix_700(1, 0, mxREAL);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(0);
}

void returnNoElements(int nlhs, mxArray* plhs[], mxClassID classId) {
    plhs[0] = mxCreateNumericMatrix_700(1, 0, classId, mxREAL);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(0);
}

// Ctrl-C ended the read: the host will drop what the call returns, so the
// bytes it received stay held, behind those held before, for the next read.
// False when there is no memory to hold them (they are then returned).
bool holdInterruptedBytes(PortEntry* port, const unsigned char* bytes, DWORD count) {
    DWORD held = port->readAheadSize;
    if (!makeReadAheadRoom(port, count, held + count)) return false;
    if (count > 0) std::memcpy(readAheadEnd(port), bytes, count);
    port->readAheadSize += count;
    return true;
}

// A 1-by-n row of the class whose elements are the first bytes, then the
// second, as they lie (whole elements of size bytes).
mxArray* elementRow(mxClassID classId, DWORD size, const unsigned char* first, DWORD firstCount,
                    const unsigned char* second, DWORD secondCount) {
    DWORD count = (firstCount + secondCount) / size;
    mxArray* row = mxCreateNumericMatrix_700(1, static_cast<int>(count), classId, mxREAL);
    unsigned char* elements = static_cast<unsigned char*>(mxGetData(row));
    if (firstCount > 0) std::memcpy(elements, first, firstCount);
    if (secondCount > 0) std::memcpy(elements + firstCount, second, secondCount);
    return row;
}

// The typed read: count elements are count * size bytes, read as comread
// reads bytes. Only whole elements are returned; a part of one, at the
// time-out or when the device is lost, stays held for the next read.
void readElements(int nlhs, mxArray* plhs[], PortEntry* port, int64_t requested,
                  const mxArray* className) {
    mxClassID classId = mxUNKNOWN_CLASS;
    ClassNameRead named = readNumericClassName(className, &classId);
    if (named == ClassTextUnmade) mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");
    if (named == ClassRefused) mexErrMsgIdAndTxt(readErrorId, "Invalid data type to COMREAD.");
    const DWORD size = static_cast<DWORD>(elementSize(classId));
    if (static_cast<uint64_t>(requested) > UINT32_MAX / size)
        mexErrMsgIdAndTxt(readErrorId, "Invalid count to COMREAD.");
    const DWORD wanted = static_cast<DWORD>(requested) * size;

    if (hostInterruptPending()) return returnNoElements(nlhs, plhs, classId);
    // As for bytes, below: the reader is paused until the held bytes are settled.
    pausePortReader(port);
    const DWORD held = port->readAheadSize;
    if (held >= wanted) {
        plhs[0] = elementRow(classId, size, readAheadBytes(port), wanted, nullptr, 0);
        consumeReadAhead(port, wanted);
        resumePortReader(port);
        if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(requested));
        return;
    }
    // Room for a part element to stay held is made before the device is asked,
    // so that no byte it gives can be lost.
    const bool roomMade = size == 1 || makeReadAheadRoom(port, size, held + size);
    const DWORD asked = wanted - held;
    unsigned char* buffer = roomMade ? static_cast<unsigned char*>(mxCalloc(asked, 1)) : nullptr;
    if (buffer == nullptr) {
        resumePortReader(port);
        mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");
    }

    DWORD received = 0;
    readPort(port, buffer, asked, &received, kCallStartsNow, held > 0);
    if (hostInterruptPending() && holdInterruptedBytes(port, buffer, received)) {
        resumePortReader(port);
        returnNoElements(nlhs, plhs, classId);
        mxFree(buffer);
        return;
    }
    const DWORD whole = (held + received) / size * size;
    const DWORD fromHeld = held < whole ? held : whole;
    const DWORD fromBuffer = whole - fromHeld;
    plhs[0] = elementRow(classId, size, readAheadBytes(port), fromHeld, buffer, fromBuffer);
    consumeReadAhead(port, fromHeld);
    // The part element, behind what is still held; the room made above takes it.
    const DWORD rest = received - fromBuffer;
    if (rest > 0 && makeReadAheadRoom(port, rest, port->readAheadSize + rest)) {
        std::memcpy(readAheadEnd(port), buffer + fromBuffer, rest);
        port->readAheadSize += rest;
    }
    resumePortReader(port);
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(whole / size));
    mxFree(buffer);
}

}  // namespace

void handleComRead(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 3 && nrhs != 4)
        mexErrMsgIdAndTxt(readErrorId, "Invalid number of inputs to COMREAD.");
    PortEntry* port = findOpenPort(prhs[1]);
    if (port == nullptr) mexErrMsgIdAndTxt(readErrorId, "Cannot read the port.");
    int64_t requested = truncateToInt64(readHostDouble(prhs[2]));
    if (requested < 0) mexErrMsgIdAndTxt(readErrorId, "Invalid count to COMREAD.");
    if (nrhs == 4) return readElements(nlhs, plhs, port, requested, prhs[3]);
    // Only the low 32 bits reach the device call.
    DWORD count = static_cast<DWORD>(static_cast<uint64_t>(requested));

    // Ctrl-C came before the read: the host would drop what it took.
    if (hostInterruptPending()) return returnNothing(nlhs, plhs);
    // The held bytes and the device are this call's, not the reader's, until it resumes.
    pausePortReader(port);

    // Bytes comreadline read ahead come first; when they are enough, the
    // device is not asked.
    DWORD held = port->readAheadSize;
    if (held >= count && held > 0) {
        plhs[0] = byteRow(readAheadBytes(port), count, nullptr, 0);
        consumeReadAhead(port, count);
        resumePortReader(port);
        if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(count));
        return;
    }
    if (held > 0) count -= held;

    unsigned char* buffer = static_cast<unsigned char*>(mxCalloc(count, 1));
    if (buffer == nullptr && count > 0) {
        resumePortReader(port);
        mexErrMsgIdAndTxt(readErrorId, "Memory allocation failed.");
    }

    DWORD received = 0;
    BOOL read = readPort(port, buffer, count, &received, kCallStartsNow, held > 0);
    if (hostInterruptPending() && holdInterruptedBytes(port, buffer, received)) {
        resumePortReader(port);
        returnNothing(nlhs, plhs);
        mxFree(buffer);
        return;
    }
    if (held > 0) {
        // What was held is returned even when the device then failed, with
        // whatever it gave before.
        plhs[0] = byteRow(readAheadBytes(port), held, buffer, received);
        consumeReadAhead(port, held);
        received += held;
    } else if (read) {
        plhs[0] = byteRow(buffer, received, nullptr, 0);
    } else {
        plhs[0] = mxCreateDoubleScalar(0);
    }
    resumePortReader(port);
    // The host's output array may hold one slot only.
    if (nlhs >= 2) plhs[1] = mxCreateDoubleScalar(static_cast<double>(received));
    mxFree(buffer);
}
