// Pseudo-terminal pairs standing in for a serial line. The slave end is the
// "port" (open it by slavePath); the master end is the far side of the line.
// The slave starts with the kernel's default (cooked) settings, as a fresh
// serial port does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PtyPair {
    int master = -1;
    int slave = -1;  // kept open so the line stays up while the port is reopened
    std::string slavePath;
};

// Opens a new pair, both descriptors close-on-exec. False (pair untouched) on failure.
bool openPtyPair(PtyPair* pair);
// Closes whatever is still open; safe to call twice.
void closePtyPair(PtyPair* pair);
// Closes the master only: every open slave descriptor sees a hang-up.
void closeMaster(PtyPair* pair);

// Writes all size bytes, resuming after EINTR and partial writes.
bool writeAll(int fd, const void* data, size_t size);
// Reads until max bytes arrived or timeoutMs passes with no new data (or the
// other end is gone). Returns what arrived.
std::vector<uint8_t> readAvailable(int fd, size_t max, int timeoutMs);
// Sets VMIN and VTIME (tenths of a second) on a slave descriptor.
bool setReadTimeout(int fd, int vmin, int vtime);

// Makes a symbolic link to target in dir under a fresh name; returns its path,
// or "" on failure. The caller removes it (unlink).
std::string makeSymlink(const std::string& target, const std::string& dir);
