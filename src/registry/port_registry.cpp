#include "registry/port_registry.h"

#include "host/mex_api.h"
#include "registry/port_reader.h"

PortRegistry portRegistry = {
    {-1, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, false, {}, {}, 0, {}, 0, nullptr}};

void resetPortRegistry() {
    portRegistry.anchor.id = -1;
    portRegistry.anchor.handle = nullptr;
    portRegistry.anchor.next = nullptr;
    portRegistry.anchor.prev = nullptr;
}

int32_t registerPort(int32_t id, HANDLE handle) {
    PortEntry* entry = static_cast<PortEntry*>(mxMalloc(sizeof(PortEntry)));
    if (entry == nullptr) {
        // Nobody else holds this handle: closing it here is the only way it
        // does not stay open (and the device locked) until the host exits.
        CloseHandle(handle);
        mexErrMsgTxt("Out of memory in MEX-file");
    }
    mexMakeMemoryPersistent(entry);
    entry->id = id;
    entry->handle = handle;
    entry->next = portRegistry.anchor.next;
    entry->prev = &portRegistry.anchor;
    entry->readAhead = nullptr;
    entry->readAheadStart = 0;
    entry->readAheadSize = 0;
    entry->readAheadCapacity = 0;
    entry->timeoutsRead = false;
    entry->timeouts = COMMTIMEOUTS{};
    entry->deviceTimeouts = COMMTIMEOUTS{};
    entry->readInterval = 0;
    entry->lineErrors = LineErrorCounts{};
    entry->bytesWritten = 0;
    entry->reader = nullptr;
    portRegistry.anchor.next = entry;
    if (entry->next != nullptr) entry->next->prev = entry;
    return entry->id;
}

PortEntry* findPort(int32_t id) {
    PortEntry* entry = portRegistry.anchor.next;
    while (entry != nullptr && entry->id != id) entry = entry->next;
    return entry;
}

void unlinkPort(int32_t id) {
    PortEntry* entry = findPort(id);
    if (entry == nullptr) mexErrMsgTxt("Unable to find node in list");
    entry->prev->next = entry->next;
    if (entry->next != nullptr) entry->next->prev = entry->prev;
    stopPortReader(entry);
    releaseReadAhead(entry);
    mxFree(entry);
}

void closeAllPorts() {
    while (portRegistry.anchor.next != nullptr) {
        PortEntry* entry = portRegistry.anchor.next;
        stopPortReader(entry);
        if (entry->handle != nullptr) {
            CloseHandle(entry->handle);
            entry->handle = nullptr;
        }
        portRegistry.anchor.next = entry->next;
        releaseReadAhead(entry);
        mxFree(entry);
    }
}

void releaseReadAhead(PortEntry* entry) {
    if (entry->readAhead != nullptr) mxFree(entry->readAhead);
    entry->readAhead = nullptr;
    entry->readAheadStart = 0;
    entry->readAheadSize = 0;
    entry->readAheadCapacity = 0;
}
