// Windows serializes every call on a handle opened without
// FILE_FLAG_OVERLAPPED: a ReadFile that waits holds another thread's WriteFile
// on the same handle until it ends. The POSIX layer does the same, so that a
// thread of the module that waits inside the device shows up in tests on Linux
// as it would on Windows (Wine does not serialize).
#pragma once

#if !defined(_WIN32)

// Held for the whole of each call on fd's port (its comm, transfer and close
// calls), from after the arguments are checked. Descriptors 1024 apart share
// a lock: stricter than Windows, never looser.
void holdPortCalls(int fd);
// Keeps errno as the call left it.
void releasePortCalls(int fd);

#endif
