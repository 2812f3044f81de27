#include "registry/port_reader.h"

#include "host/mex_api.h"

#include <cstring>

namespace {

// Between reads that found nothing: a millisecond while bytes are coming (a
// Windows driver often holds 4 KB, 44 ms of 921600 baud; a Sleep(1) there may
// last a 15.6 ms clock tick), and once the line has been quiet a while, 4 ms:
// a wake-up costs up to 30 us on a virtual machine, and an idle reader should
// cost under 1% of a core while still taking what comes within 5 ms.
const DWORD kBusyMilliseconds = 1;
const DWORD kQuietMilliseconds = 4;
// Reads that found nothing before the line counts as quiet (about 50 ms).
const int kQuietAfter = 50;

// Reads what is waiting into the read-ahead, up to the limit; *taken bytes.
// False when the device failed. The reader's lock is held and it is not paused.
bool takeWaitingBytes(PortReader* reader, DWORD* taken) {
    *taken = 0;
    PortEntry* port = reader->port;
    DWORD held = port->readAheadSize;
    if (port->readAhead == nullptr || held >= reader->limit) return true;
    if (port->readAheadCapacity - port->readAheadStart - held == 0 && port->readAheadStart > 0) {
        // The block's end is reached: the held bytes move to its front.
        std::memmove(port->readAhead, readAheadBytes(port), held);
        port->readAheadStart = 0;
    }
    DWORD room = reader->limit - held;
    DWORD tail = port->readAheadCapacity - port->readAheadStart - held;
    if (room > tail) room = tail;
    if (room == 0) return true;

    COMMTIMEOUTS immediate = port->deviceTimeouts;
    immediate.ReadIntervalTimeout = MAXDWORD;
    immediate.ReadTotalTimeoutMultiplier = 0;
    immediate.ReadTotalTimeoutConstant = 0;
    if (std::memcmp(&immediate, &port->deviceTimeouts, sizeof immediate) != 0) {
        if (!SetCommTimeouts(port->handle, &immediate)) return false;
        port->deviceTimeouts = immediate;
    }
    BOOL read = ReadFile(port->handle, readAheadEnd(port), room, taken, nullptr);
    port->readAheadSize += *taken;
    return read != FALSE;
}

DWORD WINAPI runPortReader(LPVOID argument) {
    PortReader* reader = static_cast<PortReader*>(argument);
    int empty = 0;  // reads in a row that found nothing
    for (;;) {
        EnterCriticalSection(&reader->lock);
        if (reader->stopping) {
            LeaveCriticalSection(&reader->lock);
            return 0;
        }
        DWORD taken = 0;
        bool failed = !reader->paused && !takeWaitingBytes(reader, &taken);
        if (failed) reader->ended = true;
        LeaveCriticalSection(&reader->lock);
        if (failed) return 0;
        // Bytes came: more may be behind them.
        if (taken > 0) {
            empty = 0;
            continue;
        }
        if (empty < kQuietAfter) ++empty;
        Sleep(empty < kQuietAfter ? kBusyMilliseconds : kQuietMilliseconds);
    }
}

// Starts the thread of a reader whose record is set; it begins paused.
bool startThread(PortReader* reader) {
    reader->paused = true;
    reader->stopping = false;
    reader->ended = false;
    reader->thread = CreateThread(nullptr, 0, runPortReader, reader, 0, nullptr);
    return reader->thread != nullptr;
}

// Ends the reader's thread and waits for it; its record is then the caller's.
void endThread(PortReader* reader) {
    EnterCriticalSection(&reader->lock);
    reader->stopping = true;
    LeaveCriticalSection(&reader->lock);
    WaitForSingleObject(reader->thread, INFINITE);
    CloseHandle(reader->thread);
}

}  // namespace

void pausePortReader(PortEntry* port) {
    PortReader* reader = port->reader;
    if (reader == nullptr) return;
    EnterCriticalSection(&reader->lock);
    reader->paused = true;
    LeaveCriticalSection(&reader->lock);
}

void resumePortReader(PortEntry* port) {
    PortReader* reader = port->reader;
    if (reader == nullptr) return;
    EnterCriticalSection(&reader->lock);
    reader->paused = false;
    LeaveCriticalSection(&reader->lock);
}

bool prepareReaderChange(const PortEntry* port, DWORD limit, ReaderChange* change) {
    *change = ReaderChange{limit, nullptr, false,
                           ReadAheadBlock{nullptr, 0, nullptr, {nullptr, nullptr}}, nullptr};
    if (limit == 0) return true;
    if (port == nullptr || port->reader == nullptr) {
        change->fresh = static_cast<PortReader*>(mxMalloc(sizeof(PortReader)));
        if (change->fresh == nullptr) return false;
    }
    if (reserveReadAhead(port, limit, &change->block)) return true;
    mxFree(change->fresh);
    change->fresh = nullptr;
    return false;
}

bool changePortReader(PortEntry* port, ReaderChange* change) {
    PortReader* reader = port->reader;
    if (change->limit == 0) {
        if (reader == nullptr) return true;
        endThread(reader);
        DeleteCriticalSection(&reader->lock);
        port->reader = nullptr;
        change->released = reader;
        if (port->readAheadSize == 0) releaseHeldBlock(port, &change->block);
        return true;
    }
    // The reader changes what its device holds: the port's own must be known first.
    if (!port->timeoutsRead) return false;
    takeReadAheadBlock(port, &change->block);
    if (reader != nullptr && !reader->ended) {
        // Paused by this call: the limit is read under the lock.
        EnterCriticalSection(&reader->lock);
        reader->limit = change->limit;
        LeaveCriticalSection(&reader->lock);
        return true;
    }
    if (reader != nullptr) {
        // The device failed once; the reader is given another go.
        WaitForSingleObject(reader->thread, INFINITE);
        CloseHandle(reader->thread);
    } else {
        reader = change->fresh;
        reader->port = port;
        InitializeCriticalSection(&reader->lock);
    }
    reader->limit = change->limit;
    port->reader = reader;
    if (startThread(reader)) {
        change->freshTaken = reader == change->fresh;
        return true;
    }
    DeleteCriticalSection(&reader->lock);
    port->reader = nullptr;
    if (reader != change->fresh) change->released = reader;
    return false;
}

void settleReaderChange(ReaderChange* change) {
    settleReadAhead(&change->block);
    if (change->freshTaken) {
        mexMakeMemoryPersistent(change->fresh);
    } else if (change->fresh != nullptr) {
        mxFree(change->fresh);
    }
    if (change->released != nullptr) mxFree(change->released);
    change->fresh = nullptr;
    change->freshTaken = false;
    change->released = nullptr;
}

void stopPortReader(PortEntry* port) {
    PortReader* reader = port->reader;
    if (reader == nullptr) return;
    endThread(reader);
    DeleteCriticalSection(&reader->lock);
    mxFree(reader);
    port->reader = nullptr;
    if (port->readAheadSize == 0) releaseReadAhead(port);
}
