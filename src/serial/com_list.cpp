// [names, ports] = brindlecast('comlist'): the names under which comopen opens
// the serial ports present now, as a 1-by-N cell row of char rows, sorted by
// name with a trailing number compared as a number; with a second output, the
// device of each as a 1-by-N struct array in the same order.
#include "device/port_name_order.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "serial/mode_handlers.h"

#include <climits>
#include <cstring>

namespace {

const char* const listErrorId = "QUENTAROX:brindlecast:comlist";

// The texts of a port's record, in the order of the struct's fields below
// (Name first); the ids follow.
const int kTextCount = 8;
const char* kFieldNames[] = {"Name",      "Transport", "SerialNumber", "Manufacturer", "Product",
                             "Interface", "Location",  "Description",  "VendorID",     "ProductID"};

// A port's record in one host block: this header, then the texts it points
// to, the name first. The list holds the name, so that records sort as names
// do; the header is just before it.
struct FoundPort {
    const char* texts[kTextCount];
    long vendorId;
    long productId;
};

// What was found so far, in host memory (names, or the names of FoundPort
// records); left to the host if the call ends in an error.
struct Found {
    char** items;
    int count;
    int capacity;
    bool failed;  // a copy could not be made
};

bool makeRoom(Found* found) {
    if (found->count < found->capacity) return true;
    int capacity = found->capacity == 0 ? 16 : found->capacity * 2;
    void* grown = found->capacity < INT_MAX / 2 ? mxMalloc(capacity * sizeof(char*)) : nullptr;
    if (grown == nullptr) return false;
    if (found->count > 0) std::memcpy(grown, found->items, found->count * sizeof(char*));
    mxFree(found->items);
    found->items = static_cast<char**>(grown);
    found->capacity = capacity;
    return true;
}

BOOL keepName(const char* name, void* context) {
    Found* found = static_cast<Found*>(context);
    size_t size = std::strlen(name) + 1;
    char* copy = makeRoom(found) ? static_cast<char*>(mxMalloc(size)) : nullptr;
    if (copy == nullptr) {
        found->failed = true;
        return FALSE;
    }
    std::memcpy(copy, name, size);
    found->items[found->count++] = copy;
    return TRUE;
}

BOOL keepPort(const PortIdentity* port, void* context) {
    Found* found = static_cast<Found*>(context);
    const char* texts[kTextCount] = {port->name,         port->transport,  port->serialNumber,
                                     port->manufacturer, port->product,    port->interfaceName,
                                     port->location,     port->description};
    size_t size = sizeof(FoundPort);
    for (const char* text : texts) size += std::strlen(text) + 1;
    FoundPort* copy = makeRoom(found) ? static_cast<FoundPort*>(mxMalloc(size)) : nullptr;
    if (copy == nullptr) {
        found->failed = true;
        return FALSE;
    }
    char* next = reinterpret_cast<char*>(copy + 1);
    for (int i = 0; i < kTextCount; ++i) {
        size_t length = std::strlen(texts[i]) + 1;
        std::memcpy(next, texts[i], length);
        copy->texts[i] = next;
        next += length;
    }
    copy->vendorId = port->vendorId;
    copy->productId = port->productId;
    found->items[found->count++] = reinterpret_cast<char*>(copy + 1);
    return TRUE;
}

FoundPort* recordOf(char* name) {
    return reinterpret_cast<FoundPort*>(name) - 1;
}

// An id as a double, or [] when not known.
mxArray* idValue(long id) {
    return id < 0 ? mxCreateDoubleMatrix_700(0, 0, mxREAL)
                  : mxCreateDoubleScalar(static_cast<double>(id));
}

mxArray* portRecords(const Found& found) {
    mxArray* ports = mxCreateStructMatrix_700(1, found.count, kTextCount + 2, kFieldNames);
    for (int i = 0; i < found.count; ++i) {
        const FoundPort* port = recordOf(found.items[i]);
        for (int f = 0; f < kTextCount; ++f)
            mxSetField_700(ports, i, kFieldNames[f], mxCreateString(port->texts[f]));
        mxSetField_700(ports, i, "VendorID", idValue(port->vendorId));
        mxSetField_700(ports, i, "ProductID", idValue(port->productId));
    }
    return ports;
}

}  // namespace

void handleComList(int nlhs, mxArray* plhs[], int nrhs, const mxArray*[]) {
    if (nrhs != 1) mexErrMsgIdAndTxt(listErrorId, "Invalid number of inputs to COMLIST.");
    // The devices are looked up only when asked for: names alone cost what they did.
    bool withPorts = nlhs >= 2;
    Found found = {nullptr, 0, 0, false};
    BOOL listed =
        withPorts ? ListSerialPortIdentities(keepPort, &found) : ListSerialPorts(keepName, &found);
    if (!listed || found.failed) mexErrMsgIdAndTxt(listErrorId, "Cannot list the ports.");
    sortPortNames(found.items, found.count);

    mxArray* list = mxCreateCellMatrix_700(1, found.count);
    for (int i = 0; i < found.count; ++i) mxSetCell_700(list, i, mxCreateString(found.items[i]));
    if (withPorts) plhs[1] = portRecords(found);
    for (int i = 0; i < found.count; ++i)
        mxFree(withPorts ? static_cast<void*>(recordOf(found.items[i])) : found.items[i]);
    mxFree(found.items);
    plhs[0] = list;
}
