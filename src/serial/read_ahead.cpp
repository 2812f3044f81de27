#include "serial/read_ahead.h"

#include <cstring>

namespace {

// A block starts at this size (or the limit), so that short lines do not grow it byte by byte.
const DWORD kSmallestBlock = 256;

}  // namespace

bool makeReadAheadRoom(PortEntry* port, DWORD room, DWORD limit) {
    DWORD held = port->readAheadSize;
    if (port->readAheadCapacity - port->readAheadStart - held >= room) return true;
    if (port->readAheadCapacity - held >= room) {
        // Enough space once the held bytes move to the front.
        std::memmove(port->readAhead, readAheadBytes(port), held);
        port->readAheadStart = 0;
        return true;
    }
    // Doubling keeps the copies of a long line few; never past the limit.
    uint64_t wanted = uint64_t(port->readAheadCapacity) * 2;
    if (wanted < kSmallestBlock) wanted = kSmallestBlock;
    if (wanted > limit) wanted = limit;
    if (wanted < uint64_t(held) + room) wanted = uint64_t(held) + room;
    unsigned char* block = static_cast<unsigned char*>(mxMalloc(static_cast<size_t>(wanted)));
    if (block == nullptr) return false;
    mexMakeMemoryPersistent(block);
    if (held > 0) std::memcpy(block, readAheadBytes(port), held);
    if (port->readAhead != nullptr) mxFree(port->readAhead);
    port->readAhead = block;
    port->readAheadStart = 0;
    port->readAheadCapacity = static_cast<DWORD>(wanted);
    return true;
}

void consumeReadAhead(PortEntry* port, DWORD count) {
    port->readAheadSize -= count;
    // An empty buffer starts again at the front, so that it need not move.
    port->readAheadStart = port->readAheadSize == 0 ? 0 : port->readAheadStart + count;
}

mxArray* byteRow(const unsigned char* first, DWORD firstCount, const unsigned char* second,
                 DWORD secondCount) {
    mxArray* row = mxCreateDoubleMatrix_700(1, static_cast<int>(firstCount + secondCount), mxREAL);
    double* elements = mxGetPr(row);
    for (DWORD i = 0; i < firstCount; ++i) elements[i] = first[i];
    for (DWORD i = 0; i < secondCount; ++i) elements[firstCount + i] = second[i];
    return row;
}
