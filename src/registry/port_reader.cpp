#include "registry/port_reader.h"

#include "host/mex_api.h"
#include "registry/read_ahead.h"

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

bool readerEnded(PortReader* reader) {
    EnterCriticalSection(&reader->lock);
    bool ended = reader->ended;
    LeaveCriticalSection(&reader->lock);
    return ended;
}

}  // namespace

bool startPortReader(PortEntry* port, DWORD limit) {
    if (!port->timeoutsRead) return false;
    PortReader* reader = port->reader;
    if (reader != nullptr && readerEnded(reader)) {
        // The device failed once; it is given another chance.
        stopPortReader(port);
        reader = nullptr;
    }
    if (!makeReadAheadRoom(port, 0, limit)) return false;
    if (reader != nullptr) {
        EnterCriticalSection(&reader->lock);
        reader->limit = limit;
        LeaveCriticalSection(&reader->lock);
        return true;
    }
    reader = static_cast<PortReader*>(mxMalloc(sizeof(PortReader)));
    if (reader == nullptr) return false;
    mexMakeMemoryPersistent(reader);
    reader->port = port;
    reader->limit = limit;
    reader->paused = true;
    reader->stopping = false;
    reader->ended = false;
    InitializeCriticalSection(&reader->lock);
    reader->thread = CreateThread(nullptr, 0, runPortReader, reader, 0, nullptr);
    if (reader->thread == nullptr) {
        DeleteCriticalSection(&reader->lock);
        mxFree(reader);
        return false;
    }
    port->reader = reader;
    return true;
}

void stopPortReader(PortEntry* port) {
    PortReader* reader = port->reader;
    if (reader == nullptr) return;
    EnterCriticalSection(&reader->lock);
    reader->stopping = true;
    LeaveCriticalSection(&reader->lock);
    WaitForSingleObject(reader->thread, INFINITE);
    CloseHandle(reader->thread);
    DeleteCriticalSection(&reader->lock);
    mxFree(reader);
    port->reader = nullptr;
    if (port->readAheadSize == 0) releaseReadAhead(port);
}

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

void dropHeldBytes(PortEntry* port) {
    if (port->reader == nullptr) {
        releaseReadAhead(port);
        return;
    }
    port->readAheadStart = 0;
    port->readAheadSize = 0;
}
