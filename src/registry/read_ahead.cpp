#include "registry/read_ahead.h"

#include <cstdint>
#include <cstring>

namespace {

// The port's block goes; it is freed once the reader runs again.
void letGo(PortEntry* port, ReadAheadBlock* block) {
    if (port->readAhead == nullptr) return;
    if (port->readAhead == block->taken) block->taken = nullptr;
    block->released[block->released[0] == nullptr ? 0 : 1] = port->readAhead;
}

}  // namespace

bool reserveReadAhead(const PortEntry* port, DWORD limit, ReadAheadBlock* block) {
    *block = ReadAheadBlock{nullptr, 0, nullptr, {nullptr, nullptr}};
    if (port != nullptr && port->readAheadCapacity >= limit) return true;
    block->fresh = static_cast<unsigned char*>(mxMalloc(limit > 0 ? limit : 1));
    block->capacity = limit;
    return block->fresh != nullptr;
}

void takeCallBuffer(PortEntry* port, ReadAheadBlock* block, unsigned char* buffer, DWORD capacity,
                    DWORD size) {
    letGo(port, block);
    port->readAhead = buffer;
    port->readAheadStart = 0;
    port->readAheadSize = size;
    port->readAheadCapacity = capacity;
    block->taken = buffer;
}

void takeReadAheadBlock(PortEntry* port, ReadAheadBlock* block) {
    unsigned char* fresh = block->fresh;
    if (fresh == nullptr) return;
    DWORD held = port->readAheadSize;
    if (held > 0) std::memcpy(fresh, readAheadBytes(port), held);
    block->fresh = nullptr;
    takeCallBuffer(port, block, fresh, block->capacity, held);
}

void releaseHeldBlock(PortEntry* port, ReadAheadBlock* block) {
    letGo(port, block);
    port->readAhead = nullptr;
    port->readAheadStart = 0;
    port->readAheadSize = 0;
    port->readAheadCapacity = 0;
}

void settleReadAhead(ReadAheadBlock* block) {
    if (block->taken != nullptr) mexMakeMemoryPersistent(block->taken);
    if (block->fresh != nullptr) mxFree(block->fresh);
    for (unsigned char* released : block->released) {
        if (released != nullptr) mxFree(released);
    }
    *block = ReadAheadBlock{nullptr, 0, nullptr, {nullptr, nullptr}};
}

bool makeTailRoom(PortEntry* port, DWORD room) {
    DWORD held = port->readAheadSize;
    if (port->readAheadCapacity - held < room) return false;
    if (port->readAheadCapacity - port->readAheadStart - held < room) {
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

mxArray* byteRow(const unsigned char* bytes, DWORD count) {
    mxArray* row = mxCreateDoubleMatrix_700(1, static_cast<int>(count), mxREAL);
    double* elements = mxGetPr(row);
    for (DWORD i = 0; i < count; ++i) elements[i] = bytes[i];
    return row;
}

mxArray* charRow(const unsigned char* bytes, DWORD count) {
    const int dims[2] = {1, static_cast<int>(count)};
    mxArray* row = mxCreateCharArray_700(2, dims);
    if (mxGetElementSize(row) == 1) {
        if (count > 0) std::memcpy(mxGetData(row), bytes, count);
        return row;
    }
    uint16_t* units = static_cast<uint16_t*>(mxGetData(row));
    for (DWORD i = 0; i < count; ++i) units[i] = bytes[i];
    return row;
}
