// Records the modem-line and break requests (TIOCMBIS, TIOCMBIC, TIOCSBRK,
// TIOCCBRK) the process makes, makes a chosen ioctl request fail, and can
// answer TIOCMGET, TIOCOUTQ and TIOCGICOUNT with chosen values (a pty has no
// queue or error counts of a UART's kind). A pty has no modem lines, so DTR and RTS
// can only be checked on the request, and the input lines only faked; a
// failing request reaches the error paths that a pty never takes. It also
// interposes fcntl, to refuse the O_NONBLOCK that time-outs need.
//
// Linking this file into an executable interposes ioctl for the whole
// process, as termios_spy.h does tcsetattr: the executable's own code and,
// with --export-dynamic (ENABLE_EXPORTS), modules it loads later. Every call
// but a failing one is passed on to the C library's ioctl. Only ioctl itself
// is seen: the C library's own wrappers (tcgetattr, tcflush) do not call it.
#pragma once

#include <string>

// Lines (TIOCM_DTR, TIOCM_RTS, ...) asked to be raised through TIOCMBIS on fd
// since the last spyIoctlReset, whether or not the device had them.
int spyModemLinesRaised(int fd);
// Likewise for lines asked to be dropped through TIOCMBIC.
int spyModemLinesDropped(int fd);
// From now until spyIoctlReset, every ioctl with this request fails with
// error (on any descriptor) without reaching the device.
void spyFailIoctl(unsigned long request, int error);
// Forgets the recorded requests and the chosen failure.
void spyIoctlReset();

// From now until spyIoctlReset, TIOCMGET answers these lines (TIOCM_CTS, ...)
// without reaching the device, as a port with modem lines would.
void spyFakeModemLines(int lines);
// The break requests on fd since the last spyIoctlReset, in order: 'S' for
// each TIOCSBRK, 'C' for each TIOCCBRK.
std::string spyBreakRequests(int fd);
// From now until spyIoctlReset, TIOCOUTQ answers this many bytes unsent
// without reaching the device: a pty's queue always reads 0.
void spyFakeOutputQueue(int bytes);
// From now until spyIoctlReset, TIOCGICOUNT answers these error counts (the
// rest 0) without reaching the device, as a UART's driver would; a pty keeps
// none (ENOTTY).
void spyFakeLineErrorCounts(int overrun, int bufOverrun, int frame, int parity, int brk);
// From now until spyIoctlReset, an fcntl(F_SETFL) that turns O_NONBLOCK on
// fails with error, without reaching the descriptor.
void spyFailSettingNonBlocking(int error);
