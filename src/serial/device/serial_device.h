// The device layer: the six kernel32 calls the mode handlers make, with the
// DCB record and the constants they use. On Windows these are kernel32's own.
// Elsewhere the same names are our functions over POSIX and termios
// (posix_*.cpp), so every handler compiles unchanged on both.
#pragma once

#if defined(_WIN32)

#include <windows.h>

#else

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

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD shareMode, LPVOID security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL GetCommState(HANDLE device, LPDCB dcb);
BOOL SetCommState(HANDLE device, LPDCB dcb);
BOOL WriteFile(HANDLE device, LPCVOID data, DWORD count, LPDWORD written, LPVOID overlapped);
BOOL ReadFile(HANDLE device, LPVOID buffer, DWORD count, LPDWORD read, LPVOID overlapped);
BOOL CloseHandle(HANDLE device);

#endif
