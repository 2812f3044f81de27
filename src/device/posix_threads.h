// The handles of CreateThread, told apart from ports' (a descriptor plus one).
#pragma once

#if !defined(_WIN32)

#include "device/serial_device.h"

bool isThreadHandle(HANDLE handle);
// CloseHandle of a thread's handle.
BOOL closeThreadHandle(HANDLE handle);

#endif
