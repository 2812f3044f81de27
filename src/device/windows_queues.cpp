// DrainTransmitter and CountsLineErrors on Windows (see serial_device.h).
#if defined(_WIN32)

#include "device/serial_device.h"

// With cbOutQue 0 the serial driver has handed every byte to the UART; no
// kernel32 call waits for the UART's own few, and FlushFileBuffers could not
// be bounded by the port's WriteTimeout.
BOOL DrainTransmitter(HANDLE) {
    return TRUE;
}

// Every Windows serial driver reports the CE_* flags through ClearCommError.
BOOL CountsLineErrors(HANDLE) {
    return TRUE;
}

#endif
