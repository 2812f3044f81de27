#include "arguments/port_options.h"

#include "arguments/host_number.h"
#include "arguments/number_conversion.h"
#include "arguments/text_word.h"

#include <cmath>

namespace {

const char* const parityWords[] = {"even", "mark", "none", "odd", "space"};
const BYTE parityCodes[] = {EVENPARITY, MARKPARITY, NOPARITY, ODDPARITY, SPACEPARITY};
const char* const flowControlWords[] = {"none", "hardware", "software"};

// A time in whole milliseconds for kernel32: 0 means at once, MAXDWORD
// means no time-out.
const DWORD kNoTimeout = MAXDWORD;

const mxArray* field(const mxArray* description, const char* name) {
    return mxGetField_700(description, 0, name);
}

int stopBitsCode(double stopBits) {
    if (stopBits == 1.0) return ONESTOPBIT;
    if (stopBits == 1.5) return ONE5STOPBITS;
    if (stopBits == 2.0) return TWOSTOPBITS;
    return -1;
}

// Seconds to milliseconds, rounded up so that a wait is never shorter than
// asked; from 4294967294 ms on (MAXDWORD - 1, which kernel32 cannot tell
// from its special values) it is no time-out.
bool readTimeout(const mxArray* value, bool zeroAllowed, DWORD* milliseconds) {
    if (!isRealNumericScalar(value)) return false;
    double seconds = mxGetScalar(value);
    if (std::isnan(seconds) || seconds < 0 || (seconds == 0 && !zeroAllowed)) return false;
    double exact = seconds * 1000.0;
    *milliseconds = exact > 4294967293.0 ? kNoTimeout : static_cast<DWORD>(std::ceil(exact));
    return true;
}

// A line level: a real logical or numeric value with one element.
bool readLevel(const mxArray* value, bool* raised) {
    if (!(mxIsNumeric(value) || mxIsLogical(value)) || mxIsComplex(value) ||
        mxGetNumberOfElements(value) != 1) {
        return false;
    }
    double level = mxGetScalar(value);
    if (std::isnan(level)) return false;
    *raised = level != 0;
    return true;
}

COMMTIMEOUTS timeoutRecord(DWORD readMs, DWORD writeMs) {
    COMMTIMEOUTS record = {};
    if (readMs == 0) {
        record.ReadIntervalTimeout = MAXDWORD;  // what is waiting, at once
    } else if (readMs != kNoTimeout) {
        record.ReadTotalTimeoutConstant = readMs;
    }
    if (writeMs != kNoTimeout) record.WriteTotalTimeoutConstant = writeMs;
    return record;
}

// The checked fields: time-outs, modem lines and flow control.
const char* readControlFields(const mxArray* description, const PortOptionRules& rules,
                              PortOptions* options) {
    const mxArray* readField = field(description, "ReadTimeout");
    const mxArray* writeField = field(description, "WriteTimeout");
    const mxArray* intervalField = field(description, "ReadIntervalTimeout");
    DWORD readMs = kNoTimeout;
    DWORD writeMs = kNoTimeout;
    DWORD intervalMs = kNoTimeout;
    if (readField != nullptr && !readTimeout(readField, true, &readMs))
        return rules.invalidReadTimeout;
    if (writeField != nullptr && !readTimeout(writeField, false, &writeMs))
        return rules.invalidWriteTimeout;
    if (intervalField != nullptr && !readTimeout(intervalField, false, &intervalMs))
        return rules.invalidReadInterval;
    options->setsReadTimeout = readField != nullptr;
    options->setsWriteTimeout = writeField != nullptr;
    options->setsReadInterval = intervalField != nullptr;
    options->setsTimeouts =
        readField != nullptr || writeField != nullptr || intervalField != nullptr;
    options->readInterval = intervalMs == kNoTimeout ? 0 : intervalMs;
    options->timeouts = timeoutRecord(readMs, writeMs);
    setReadInterval(&options->timeouts, options->readInterval);

    // An absent line: lowered (both DISABLE codes are 0), or as the port has it.
    const int absent = rules.lowersAbsentLines ? 0 : -1;
    bool raised = false;
    const mxArray* dtr = field(description, "DTR");
    if (dtr != nullptr && !readLevel(dtr, &raised)) return rules.invalidDtr;
    options->dtrControl = dtr == nullptr ? absent
                          : raised       ? DTR_CONTROL_ENABLE
                                         : DTR_CONTROL_DISABLE;
    raised = false;
    const mxArray* rts = field(description, "RTS");
    if (rts != nullptr && !readLevel(rts, &raised)) return rules.invalidRts;
    options->rtsControl = rts == nullptr ? absent
                          : raised       ? RTS_CONTROL_ENABLE
                                         : RTS_CONTROL_DISABLE;

    const mxArray* flow = field(description, "FlowControl");
    options->flowControl = FlowUnchanged;
    if (flow != nullptr) {
        options->flowControl = matchWord(flow, flowControlWords, 3);
        if (options->flowControl < 0) return rules.invalidFlowControl;
    }
    // With the handshake, RTS is the handshake's to drive.
    if (options->flowControl == FlowHardware) {
        if (rts != nullptr) return rules.invalidRts;
        options->rtsControl = RTS_CONTROL_HANDSHAKE;
    }
    return nullptr;
}

// InputBufferSize: a whole number of bytes from 4096 to 2^28, or 0 (no reader).
bool readInputBufferSize(const mxArray* value, DWORD* bytes) {
    if (!isRealNumericScalar(value)) return false;
    double size = mxGetScalar(value);
    if (!(size == 0 || (size >= 4096 && size <= 268435456.0)) || std::floor(size) != size)
        return false;
    *bytes = static_cast<DWORD>(size);
    return true;
}

}  // namespace

void setReadInterval(COMMTIMEOUTS* timeouts, DWORD interval) {
    const bool atOnce = timeouts->ReadIntervalTimeout == MAXDWORD &&
                        timeouts->ReadTotalTimeoutMultiplier == 0 &&
                        timeouts->ReadTotalTimeoutConstant == 0;
    if (atOnce) return;
    if (timeouts->ReadTotalTimeoutMultiplier == MAXDWORD) timeouts->ReadTotalTimeoutMultiplier = 0;
    timeouts->ReadIntervalTimeout = interval;
}

const char* readPortOptions(const mxArray* description, const PortOptionRules& rules,
                            PortOptions* options) {
    const char* refusal = readControlFields(description, rules, options);
    if (refusal != nullptr) return refusal;
    const mxArray* inputBufferSize = field(description, "InputBufferSize");
    options->setsInputBufferSize = inputBufferSize != nullptr;
    options->inputBufferSize = 0;
    if (inputBufferSize != nullptr &&
        !readInputBufferSize(inputBufferSize, &options->inputBufferSize))
        return rules.invalidInputBufferSize;

    const mxArray* baudRate = field(description, "BaudRate");
    options->setsBaudRate = baudRate != nullptr;
    options->baudRate = 0;
    if (baudRate != nullptr)
        options->baudRate = static_cast<DWORD>(truncateToInt64(readHostDouble(baudRate)));

    options->parity = -1;
    const mxArray* parity = field(description, "Parity");
    int word = parity != nullptr ? matchWord(parity, parityWords, 5) : -1;
    if (word >= 0) options->parity = parityCodes[word];

    const mxArray* stopBits = field(description, "StopBits");
    options->stopBits = stopBits != nullptr ? stopBitsCode(readHostDouble(stopBits)) : -1;

    const mxArray* dataBits = field(description, "DataBits");
    options->setsByteSize = dataBits != nullptr;
    options->byteSize = 0;
    if (dataBits != nullptr)
        options->byteSize = static_cast<BYTE>(truncateToInt64(readHostDouble(dataBits)));
    return nullptr;
}

void applyPortOptions(const PortOptions& options, DCB* dcb) {
    if (options.dtrControl >= 0) dcb->fDtrControl = static_cast<DWORD>(options.dtrControl);
    if (options.rtsControl >= 0) {
        dcb->fRtsControl = static_cast<DWORD>(options.rtsControl);
    } else if (options.flowControl != FlowUnchanged && options.flowControl != FlowHardware &&
               dcb->fRtsControl == RTS_CONTROL_HANDSHAKE) {
        // The handshake ends; RTS stays up, as the handshake held it while
        // there was room for input.
        dcb->fRtsControl = RTS_CONTROL_ENABLE;
    }
    // Nothing in the module acknowledges a line error, so a port left in
    // abort-on-error mode would refuse every transfer after its first one.
    dcb->fAbortOnError = 0;
    if (options.flowControl != FlowUnchanged) {
        dcb->fOutxCtsFlow = options.flowControl == FlowHardware;
        dcb->fOutxDsrFlow = 0;
        dcb->fDsrSensitivity = 0;
        dcb->fOutX = options.flowControl == FlowSoftware;
        dcb->fInX = options.flowControl == FlowSoftware;
    }
    if (options.setsBaudRate) dcb->BaudRate = options.baudRate;
    if (options.parity >= 0) dcb->Parity = static_cast<BYTE>(options.parity);
    if (options.stopBits >= 0) dcb->StopBits = static_cast<BYTE>(options.stopBits);
    if (options.setsByteSize) dcb->ByteSize = options.byteSize;
}
