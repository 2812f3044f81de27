// The device layer: the kernel32 calls the mode handlers make, with the DCB,
// COMMTIMEOUTS and COMSTAT records and the constants they use. On Windows these are kernel32's own.
// Elsewhere the same names are our functions over POSIX and termios
// (posix_*.cpp), so every handler compiles unchanged on both.
#pragma once

#if defined(_WIN32)

#include <windows.h>

#else

#include <pthread.h>

#include <cstddef>
#include <cstdint>

typedef void* HANDLE;
typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A POSIX handle is the descriptor plus one, so that no valid descriptor
// (0 included) looks like "no handle" (nullptr) or INVALID_HANDLE_VALUE.
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x80u

#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4

#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2

#define DTR_CONTROL_DISABLE 0
#define DTR_CONTROL_ENABLE 1
#define DTR_CONTROL_HANDSHAKE 2

#define RTS_CONTROL_DISABLE 0
#define RTS_CONTROL_ENABLE 1
#define RTS_CONTROL_HANDSHAKE 2
#define RTS_CONTROL_TOGGLE 3

// Same fields, widths and order as Windows' DCB.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
typedef DCB* LPDCB;

#define MAXDWORD 0xffffffffu

// Milliseconds; kernel32's meaning. Interval MAXDWORD with both read totals 0
// returns at once with what is waiting; a read total of 0 (multiplier and
// constant) waits for every byte; likewise for writes.
struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};
typedef COMMTIMEOUTS* LPCOMMTIMEOUTS;

struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;   // received, not yet read
    DWORD cbOutQue;  // written, not yet sent
};
typedef COMSTAT* LPCOMSTAT;

#define PURGE_TXABORT 0x0001u
#define PURGE_RXABORT 0x0002u
#define PURGE_TXCLEAR 0x0004u
#define PURGE_RXCLEAR 0x0008u

// Calls on one port handle wait for each other, each for the whole of the
// other, as on a Windows handle opened without FILE_FLAG_OVERLAPPED
// (posix_call_lock.h).
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPVOID security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL GetCommState(HANDLE device, LPDCB dcb);
BOOL SetCommState(HANDLE device, LPDCB dcb);
BOOL WriteFile(HANDLE device, LPCVOID data, DWORD count, LPDWORD written, LPVOID overlapped);
BOOL ReadFile(HANDLE device, LPVOID buffer, DWORD count, LPDWORD read, LPVOID overlapped);
// Closes a port, or a thread's handle (CreateThread).
BOOL CloseHandle(HANDLE device);
// Kept for the descriptor until it is closed; ReadFile and WriteFile honour
// it. A descriptor never given one reads and writes by its VMIN and VTIME.
BOOL SetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts);
// What SetCommTimeouts last gave the port. One never given any reads and
// writes by its VMIN and VTIME, which this tells in kernel32's terms: all
// zeros (every byte) unless VMIN is 0, {MAXDWORD, 0, 0} for VTIME 0, and
// {MAXDWORD, MAXDWORD, VTIME in ms} otherwise.
BOOL GetCommTimeouts(HANDLE device, LPCOMMTIMEOUTS timeouts);
// Line errors since the last ClearCommError, as Windows' flags.
#define CE_RXOVER 0x0001u    // the input queue overflowed (TIOCGICOUNT's buf_overrun)
#define CE_OVERRUN 0x0002u   // the UART lost a character (overrun)
#define CE_RXPARITY 0x0004u  // a parity error (parity)
#define CE_FRAME 0x0008u     // a framing error (frame)
#define CE_BREAK 0x0010u     // a break arrived (brk)

// The queue counts, and in *errors a flag for each of TIOCGICOUNT's counts
// that grew since the port was opened or last asked; none (0) from a driver
// that keeps no counts, such as a pty's.
BOOL ClearCommError(HANDLE device, LPDWORD errors, LPCOMSTAT status);
// PURGE_RXCLEAR discards what arrived unread, PURGE_TXCLEAR what waits to be
// sent; the abort flags have nothing to abort (transfers are synchronous).
BOOL PurgeComm(HANDLE device, DWORD flags);

#define MS_CTS_ON 0x0010u
#define MS_DSR_ON 0x0020u
#define MS_RING_ON 0x0040u
#define MS_RLSD_ON 0x0080u

// The input modem lines (MS_*_ON) that are up. FALSE for a device without
// modem lines (a pty: errno ENOTTY).
BOOL GetCommModemStatus(HANDLE device, LPDWORD status);
// Holds the line in the break state until ClearCommBreak.
BOOL SetCommBreak(HANDLE device);
BOOL ClearCommBreak(HANDLE device);
// Waits at least this long on the monotonic clock, signals or not.
void Sleep(DWORD milliseconds);

// The monotonic clock: QuadPart counts QueryPerformanceFrequency ticks a second.
struct LARGE_INTEGER {
    int64_t QuadPart;
};
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// Threads and locks (posix_threads.cpp), as much of kernel32's as a thread of
// the module needs: started, waited for and closed by the host's thread.
#define WINAPI
typedef size_t SIZE_T;
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);
#define INFINITE 0xffffffffu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 0x102u
#define WAIT_FAILED 0xffffffffu
// Runs start(parameter) on a new thread that takes no signals (a host's
// handlers stay with the host's threads). Security, stack size, flags and the
// thread id are not supported: nullptr and 0 only. The thread's handle, which
// CloseHandle closes (a running thread runs on), or nullptr.
HANDLE CreateThread(LPVOID security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
// Waits until the thread has returned (WAIT_OBJECT_0), at most milliseconds
// (WAIT_TIMEOUT; INFINITE: no limit). WAIT_FAILED for any other handle.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// A lock; unlike kernel32's, a thread that enters it twice waits for itself.
struct CRITICAL_SECTION {
    pthread_mutex_t mutex;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

#endif

// Two calls of our own on both platforms, beside the kernel32 ones.
//
// Waits for what the UART still holds once ClearCommError reads the output
// queue empty. POSIX: tcdrain, which then waits for a few characters at most.
// Windows: TRUE at once; cbOutQue 0 already means the driver has handed every
// byte on (FlushFileBuffers would wait unbounded, and for no more than that).
BOOL DrainTransmitter(HANDLE device);
// Whether ClearCommError's line-error flags are real: FALSE on POSIX when the
// driver keeps no counts (TIOCGICOUNT fails, as on a pty); TRUE on Windows,
// whose drivers always report them.
BOOL CountsLineErrors(HANDLE device);

// The serial ports present now, on both platforms. found is called with each
// name under which CreateFileA opens one ("COM3"; "/dev/ttyUSB0" on POSIX),
// in no particular order, until it returns FALSE. FALSE when the system's
// list cannot be read; a POSIX system without /sys has no ports.
typedef BOOL (*PortNameFound)(const char* name, void* context);
BOOL ListSerialPorts(PortNameFound found, void* context);

// What the system knows of each port's device, for the ports ListSerialPorts
// gives. The texts are never null ("" when not known) and live only during the
// call of found.
struct PortIdentity {
    const char* name;       // as ListSerialPorts gives it
    const char* transport;  // "usb", "bluetooth" or "native"
    long vendorId;          // the USB ids, 0 to 0xffff; -1 when not known
    long productId;
    const char* serialNumber;  // the USB device's strings
    const char* manufacturer;
    const char* product;
    const char* interfaceName;  // the USB interface's string
    const char* location;       // where it is plugged in
    const char* description;    // a text for a person; never empty
};
typedef BOOL (*PortIdentityFound)(const PortIdentity* port, void* context);
// Calls found for each port as ListSerialPorts does. A part of a device's
// record that cannot be read leaves its field empty and fails nothing: FALSE
// only when the list of ports itself cannot be read.
BOOL ListSerialPortIdentities(PortIdentityFound found, void* context);
