// brindlecast('comopen', obj): open the device named by obj.PortName, set its
// line from the other fields, register it and return its FileID.
#include "host/mex_api.h"
#include "registry/port_registry.h"
#include "serial/device/serial_device.h"
#include "serial/mode_handlers.h"
#include "serial/number_conversion.h"
#include "serial/port_id.h"

#include <cstring>

namespace {

const char* const openErrorId = "QUENTAROX:brindlecast:comopen";
const char* const devicePathPrefix = "\\\\.\\";

struct ParityWord {
    const char* word;
    BYTE parity;
};

const ParityWord parityWords[] = {
    {"even", EVENPARITY}, {"mark", MARKPARITY},   {"none", NOPARITY},
    {"odd", ODDPARITY},   {"space", SPACEPARITY},
};

bool equalIgnoringAsciiCase(const char* text, const char* word) {
    for (; *text != '\0' && *word != '\0'; ++text, ++word) {
        char letter = *text;
        if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
        if (letter != *word) return false;
    }
    return *text == '\0' && *word == '\0';
}

// A text made from a character-array field of element 0, or nullptr when the
// field is absent or not characters. Released with mxFree.
char* textField(const mxArray* description, const char* name) {
    const mxArray* field = mxGetField_700(description, 0, name);
    if (field == nullptr || !mxIsChar(field)) return nullptr;
    return mxArrayToString(field);
}

void applyParity(const mxArray* description, DCB* dcb) {
    char* text = textField(description, "Parity");
    if (text == nullptr) return;
    for (const ParityWord& row : parityWords) {
        if (equalIgnoringAsciiCase(text, row.word)) {
            dcb->Parity = row.parity;
            break;
        }
    }
    mxFree(text);
}

void applyStopBits(const mxArray* description, DCB* dcb) {
    const mxArray* field = mxGetField_700(description, 0, "StopBits");
    if (field == nullptr) return;
    double stopBits = mxGetScalar(field);
    if (stopBits == 1.0) dcb->StopBits = ONESTOPBIT;
    if (stopBits == 1.5) dcb->StopBits = ONE5STOPBITS;
    if (stopBits == 2.0) dcb->StopBits = TWOSTOPBITS;
}

// Fields the struct leaves out keep what the port already had.
void applyLineFields(const mxArray* description, DCB* dcb) {
    const mxArray* baudRate = mxGetField_700(description, 0, "BaudRate");
    if (baudRate != nullptr) {
        dcb->BaudRate = static_cast<DWORD>(truncateToInt64(mxGetScalar(baudRate)));
    }
    applyParity(description, dcb);
    applyStopBits(description, dcb);
    const mxArray* dataBits = mxGetField_700(description, 0, "DataBits");
    if (dataBits != nullptr) {
        dcb->ByteSize = static_cast<BYTE>(truncateToInt64(mxGetScalar(dataBits)));
    }
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

    dropPort(id);

    size_t nameLength = std::strlen(portName);
    char* devicePath = static_cast<char*>(mxMalloc(nameLength + 5));
    if (devicePath == nullptr) {
        mxFree(portName);
        mexErrMsgIdAndTxt(openErrorId, "Cannot open com port.");
    }
    std::memcpy(devicePath, devicePathPrefix, 4);
    std::memcpy(devicePath + 4, portName, nameLength + 1);

    HANDLE device = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        mxFree(devicePath);
        mxFree(portName);
        mexErrMsgIdAndTxt(openErrorId, "Cannot open com port.");
    }

    DCB dcb;
    readLineSettings(device, &dcb);
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    applyLineFields(description, &dcb);
    if (!SetCommState(device, &dcb)) {
        mxFree(devicePath);
        mxFree(portName);
        CloseHandle(device);
        mexErrMsgIdAndTxt(openErrorId, "Error Setting Comm State.");
    }

    int32_t registeredId = registerPort(id, device);
    if (registeredId != id) {
        mxFree(devicePath);
        mxFree(portName);
        CloseHandle(device);
        unlinkPort(registeredId);
        mexErrMsgIdAndTxt(openErrorId, "Error Creating FileID.");
    }

    plhs[0] = mxCreateDoubleScalar(id);
    mxFree(devicePath);
    mxFree(portName);
}
