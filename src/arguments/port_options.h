// What a port-description struct asks of the line, taken from element 0 and
// checked in full before comopen closes or opens any port (or comset changes
// one), so that nothing reads the struct (and no host error can end the call)
// while a device is open.
#pragma once

#include "device/serial_device.h"
#include "host/mex_api.h"

enum FlowControlChoice { FlowUnchanged = -1, FlowNone = 0, FlowHardware = 1, FlowSoftware = 2 };

struct PortOptions {
    bool setsBaudRate;
    DWORD baudRate;
    int parity;    // a DCB parity code, or -1: as the port has it
    int stopBits;  // a DCB stop-bits code, or -1: as the port has it
    bool setsByteSize;
    BYTE byteSize;
    int dtrControl;   // a DTR_CONTROL_* code, or -1: as the port has it
    int rtsControl;   // an RTS_CONTROL_* code, or -1: as the port has it
    int flowControl;  // a FlowControlChoice
    bool setsTimeouts;
    COMMTIMEOUTS timeouts;  // the fields given, and no time-out for those left out
    bool setsReadTimeout;   // the read totals of timeouts come from the struct
    bool setsWriteTimeout;  // likewise the write fields
    bool setsReadInterval;  // ReadIntervalTimeout was given
    DWORD readInterval;     // its ms, 0 for none (Inf, or not given)
    // InputBufferSize: the bytes the port's reader may hold; 0 for none.
    bool setsInputBufferSize;
    DWORD inputBufferSize;
};

// How a mode reads the fields: its refusal messages, and whether a DTR or
// RTS the struct leaves out is lowered (comopen) or kept as it is (comset).
struct PortOptionRules {
    const char* invalidReadTimeout;
    const char* invalidWriteTimeout;
    const char* invalidReadInterval;
    const char* invalidDtr;
    const char* invalidRts;
    const char* invalidFlowControl;
    bool lowersAbsentLines;
    const char* invalidInputBufferSize;
};

// Fills options from the struct. The refusal message for the first field
// that is not valid, or nullptr when every field is.
const char* readPortOptions(const mxArray* description, const PortOptionRules& rules,
                            PortOptions* options);

// Gives a record's read time-outs this ReadIntervalTimeout (ms, 0 for none).
// ReadTimeout 0 ({MAXDWORD, 0, 0}) stays at once, whatever the interval; a
// port's own "as soon as any byte is there, or after c ms" becomes c ms in
// all, ended early by the interval.
void setReadInterval(COMMTIMEOUTS* timeouts, DWORD interval);

// Puts the options into the DCB that GetCommState read; fields the struct
// left out keep what the port has.
void applyPortOptions(const PortOptions& options, DCB* dcb);
