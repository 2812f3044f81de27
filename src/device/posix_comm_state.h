// DCB <-> termios, as pure functions: what GetCommState and SetCommState
// read and write, without the port.
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

#include <termios.h>

// False for a DCB that Windows' SetCommState refuses (and, where the platform
// has no mark/space parity, for those parities too).
bool dcbIsAcceptable(const DCB& dcb);

// B constant for a standard rate in bit/s; B0 when the rate has none.
speed_t standardSpeedOf(DWORD rate);
// Rate in bit/s of a B constant; 0 for B0 and anything not in the table.
DWORD rateOfStandardSpeed(speed_t speed);

// Raw binary mode plus the DCB's data size, parity, stop bits and flow
// control. Speed and the control characters (VMIN, VTIME) stay as they are.
void applyDcbToTermios(const DCB& dcb, struct termios* settings);

// Modem lines (TIOCM_DTR, TIOCM_RTS) to raise and to drop for this DCB. With
// RTS handshake, RTS is in neither: CRTSCTS drives it.
void modemLineChanges(const DCB& dcb, int* raise, int* drop);

// Fills every field of dcb but DCBlength from the settings, the output rate in
// bit/s and the raised modem lines (0 for a device without modem lines).
void dcbFromTermios(const struct termios& settings, DWORD rate, int modemLines, DCB* dcb);

#endif
