// names = brindlecast('comlist'): the names under which comopen opens the
// serial ports present now, as a 1-by-N cell row of char rows, sorted by
// name with a trailing number compared as a number.
#include "device/port_name_order.h"
#include "device/serial_device.h"
#include "host/mex_api.h"
#include "serial/mode_handlers.h"

#include <climits>
#include <cstring>

namespace {

const char* const listErrorId = "QUENTAROX:brindlecast:comlist";

// The names found so far, in host memory; left to the host if the call ends
// in an error.
struct FoundNames {
    char** names;
    int count;
    int capacity;
    bool failed;  // a copy could not be made
};

BOOL keepName(const char* name, void* context) {
    FoundNames* found = static_cast<FoundNames*>(context);
    if (found->count == found->capacity) {
        int capacity = found->capacity == 0 ? 16 : found->capacity * 2;
        void* grown = found->capacity < INT_MAX / 2 ? mxMalloc(capacity * sizeof(char*)) : nullptr;
        if (grown == nullptr) {
            found->failed = true;
            return FALSE;
        }
        if (found->count > 0) std::memcpy(grown, found->names, found->count * sizeof(char*));
        mxFree(found->names);
        found->names = static_cast<char**>(grown);
        found->capacity = capacity;
    }
    size_t size = std::strlen(name) + 1;
    char* copy = static_cast<char*>(mxMalloc(size));
    if (copy == nullptr) {
        found->failed = true;
        return FALSE;
    }
    std::memcpy(copy, name, size);
    found->names[found->count++] = copy;
    return TRUE;
}

}  // namespace

void handleComList(int, mxArray* plhs[], int nrhs, const mxArray*[]) {
    if (nrhs != 1) mexErrMsgIdAndTxt(listErrorId, "Invalid number of inputs to COMLIST.");
    FoundNames found = {nullptr, 0, 0, false};
    if (!ListSerialPorts(keepName, &found) || found.failed)
        mexErrMsgIdAndTxt(listErrorId, "Cannot list the ports.");
    sortPortNames(found.names, found.count);

    mxArray* list = mxCreateCellMatrix_700(1, found.count);
    for (int i = 0; i < found.count; ++i) {
        mxSetCell_700(list, i, mxCreateString(found.names[i]));
        mxFree(found.names[i]);
    }
    mxFree(found.names);
    plhs[0] = list;
}
