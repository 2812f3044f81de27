// brindlecast('comopen', obj): open the device named by obj.PortName, set its
// line from the other fields, register it and return its FileID.
#include "arguments/host_text.h"
#include "arguments/port_options.h"
#include "device/serial_device.h"
#include "device/usb_port_name.h"
#include "host/mex_api.h"
#include "registry/port_id.h"
#include "registry/port_reader.h"
#include "registry/port_registry.h"
#include "serial/mode_handlers.h"
#include "transfer/port_timeouts.h"

#include <cstring>

namespace {

const char* const openErrorId = "QUENTAROX:brindlecast:comopen";
const char* const devicePathPrefix = "\\\\.\\";

const PortOptionRules openRules = {
    "Invalid ReadTimeout in input to COMOPEN.",
    "Invalid WriteTimeout in input to COMOPEN.",
    "Invalid ReadIntervalTimeout in input to COMOPEN.",
    "Invalid DTR in input to COMOPEN.",
    "Invalid RTS in input to COMOPEN.",
    "Invalid FlowControl in input to COMOPEN.",
    true,
    "Invalid InputBufferSize in input to COMOPEN.",
};

// A text made from a text field of element 0, or nullptr when the field is
// absent or not text. Released with mxFree.
char* textField(const mxArray* description, const char* name) {
    const mxArray* field = mxGetField_700(description, 0, name);
    if (field == nullptr) return nullptr;
    return hostText(field);
}

// The port's current settings; all zeros but the length when they cannot be
// read, so that applying them fails rather than configuring garbage.
void readLineSettings(HANDLE device, DCB* dcb) {
    std::memset(dcb, 0, sizeof *dcb);
    dcb->DCBlength = sizeof *dcb;
    if (!GetCommState(device, dcb)) {
        std::memset(dcb, 0, sizeof *dcb);
        dcb->DCBlength = sizeof *dcb;
    }
}

// An earlier port with this FileID is replaced, not reported.
void dropPort(int32_t id) {
    PortEntry* earlier = findPort(id);
    if (earlier == nullptr) return;
    stopPortReader(earlier);
    if (earlier->handle != nullptr) CloseHandle(earlier->handle);
    unlinkPort(id);
}

}  // namespace

void handleComOpen(int, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs != 2) mexErrMsgIdAndTxt(openErrorId, "Invalid number of inputs to COMOPEN.");
    const mxArray* description = prhs[1];
    if (!mxIsStruct(description)) {
        mexErrMsgIdAndTxt(openErrorId,
                          "The first input to COMOPEN must be a valid QUENTAROX object.");
    }
    // A struct array with no elements has no element 0 to ask about.
    char* portName = nullptr;
    if (mxGetNumberOfElements(description) > 0) portName = textField(description, "PortName");
    if (portName == nullptr)
        mexErrMsgIdAndTxt(openErrorId, "Invalid PortName in input to COMOPEN.");
    int32_t id = portIdFromName(portName);
    if (id == 0) {
        mxFree(portName);
        mexErrMsgIdAndTxt(openErrorId, "Invalid PortName in input to COMOPEN.");
    }

    PortOptions options;
    const char* refusal = readPortOptions(description, openRules, &options);
    if (refusal != nullptr) {
        mxFree(portName);
        mexErrMsgIdAndTxt(openErrorId, refusal);
    }

    // A usb: name stands for the one present port of that device; the FileID
    // stays the name's as given.
    char usbPort[512];
    const char* deviceName = portName;
    UsbPortMatch match = findUsbPort(portName, ListSerialPortIdentities, usbPort, sizeof usbPort);
    if (match == kNoUsbPort || match == kSeveralUsbPorts) {
        mxFree(portName);
        mexErrMsgIdAndTxt(openErrorId, match == kNoUsbPort
                                           ? "No port matches PortName in input to COMOPEN."
                                           : "Several ports match PortName in input to COMOPEN.");
    }
    if (match == kOneUsbPort) deviceName = usbPort;

    dropPort(id);

    size_t nameLength = std::strlen(deviceName);
    char* devicePath = static_cast<char*>(mxMalloc(nameLength + 5));
    if (devicePath == nullptr) {
        mxFree(portName);
        mexErrMsgIdAndTxt(openErrorId, "Cannot open com port.");
    }
    std::memcpy(devicePath, devicePathPrefix, 4);
    std::memcpy(devicePath + 4, deviceName, nameLength + 1);

    // From here on only device calls and the registry: no host error can
    // end the call while the device is open and unregistered.
    HANDLE device = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    mxFree(devicePath);
    mxFree(portName);
    if (device == INVALID_HANDLE_VALUE) mexErrMsgIdAndTxt(openErrorId, "Cannot open com port.");

    DCB dcb;
    readLineSettings(device, &dcb);
    applyPortOptions(options, &dcb);
    if (!SetCommState(device, &dcb)) {
        CloseHandle(device);
        mexErrMsgIdAndTxt(openErrorId, "Error Setting Comm State.");
    }
    // The device waits in slices that Ctrl-C can end; the port keeps the whole.
    COMMTIMEOUTS sliced = slicedTimeouts(options.timeouts);
    if (options.setsTimeouts && !SetCommTimeouts(device, &sliced)) {
        CloseHandle(device);
        mexErrMsgIdAndTxt(openErrorId, "Error Setting Comm Timeouts.");
    }

    int32_t registeredId = registerPort(id, device);
    if (registeredId != id) {
        CloseHandle(device);
        unlinkPort(registeredId);
        mexErrMsgIdAndTxt(openErrorId, "Error Creating FileID.");
    }
    PortEntry* port = findPort(id);
    if (options.setsTimeouts) recordPortTimeouts(port, options.timeouts, options.readInterval);
    // The reader needs the port's own time-outs known before it changes them.
    if (options.inputBufferSize > 0) {
        ReaderChange readerChange = {};
        bool started = prepareReaderChange(port, options.inputBufferSize, &readerChange);
        if (started) {
            knowPortTimeouts(port);
            started = changePortReader(port, &readerChange);
            resumePortReader(port);
        }
        settleReaderChange(&readerChange);
        if (!started) {
            CloseHandle(device);
            unlinkPort(id);
            mexErrMsgIdAndTxt(openErrorId, "Cannot start the port's reader.");
        }
    }

    plhs[0] = mxCreateDoubleScalar(id);
}
