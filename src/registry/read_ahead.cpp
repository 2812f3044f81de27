#include "registry/read_ahead.h"

#include <cstring>

bool makeReadAheadRoom(PortEntry* port, DWORD room, DWORD limit) {
    DWORD held = port->readAheadSize;
    if (port->readAheadCapacity < limit) {
        // One block of the largest count asked for, so that a call grows it
        // at most once, before it reads anything.
        unsigned char* block = static_cast<unsigned char*>(mxMalloc(limit));
        if (block == nullptr) return false;
        mexMakeMemoryPersistent(block);
        if (held > 0) std::memcpy(block, readAheadBytes(port), held);
        if (port->readAhead != nullptr) mxFree(port->readAhead);
        port->readAhead = block;
        port->readAheadStart = 0;
        port->readAheadCapacity = limit;
        return true;
    }
    if (port->readAheadCapacity - port->readAheadStart - held < room) {
        // The held bytes move to the front, once the space behind them is used up.
        std::memmove(port->readAhead, readAheadBytes(port), held);
        port->readAheadStart = 0;
    }
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
