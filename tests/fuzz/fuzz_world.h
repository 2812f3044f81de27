// The fuzz target's devices: pseudo-terminal pairs reached through a private
// folder. Every PortName the target builds names an entry of that folder (or
// is refused before any device is opened), so no input can reach a real port.
#pragma once

#include "pty_pair.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

constexpr int kLineCount = 4;

struct Line {
    PtyPair pair;
    std::deque<uint8_t> toPort;    // sent by the far end, not yet read through the module
    std::deque<uint8_t> fromPort;  // written through the module, not yet seen at the far end
    uint32_t rate = 9600;          // what the port's settings hold
    bool twoStopBits = false;
    bool xon = false;     // software flow control: the line discipline takes 0x11 and 0x13
    bool rtsCts = false;  // hardware flow control: comset refuses an RTS
};

enum class EntryKind { Line, File, Fifo, Folder, Missing };

struct FolderEntry {
    const char* name;  // under the folder; "" is the folder itself
    EntryKind kind;
    int line;  // the pty behind a Line entry
};

extern const FolderEntry kFolderEntries[];
extern const size_t kFolderEntryCount;

struct World {
    std::string folder;  // absolute, no trailing slash
    Line lines[kLineCount];
};

extern World world;

std::string entryPath(const FolderEntry& entry);

// Makes the folder, its links, file and fifo, and the pty pairs.
bool setUpWorld(std::string* problem);
void tearDownWorld();

// Raw line, no read time-out (VMIN 0, VTIME 0) so no read through the module
// waits, 9600 bit/s, one stop bit; the model's view of the line is reset too.
bool resetLineSettings(Line& line);

// True while some descriptor holds the exclusive claim an open port takes.
bool lineHeld(const Line& line);

// The process's descriptors on ptys and in the folder, as " fd->path" each.
// (Not all descriptors: the sanitizers' symbolizer opens pipes of its own.)
std::string deviceDescriptors();

// The far end sends bytes; what the pty took is queued for the module to read.
// On a line with software flow control 0x11 and 0x13 are left out: the line
// would take them as XON and XOFF.
void sendToPort(Line& line, const uint8_t* bytes, size_t count);

// Waits until every byte the far end sent and the module has not read, but
// the held ones it has read ahead, is in the port's input queue, so that a
// count or purge of it is exact. exact: the queue holds no more than that
// either (a reader has taken the rest), nor are bytes still on their way.
bool awaitArrival(Line& line, size_t held, bool exact, std::string* problem);

// Takes what has reached the far end and checks it against line.fromPort.
// timeoutMs > 0 waits that long for everything expected.
bool collectFromPort(Line& line, int timeoutMs, std::string* problem);

// Reads, through the target's own descriptor on the port end, every byte the
// module left unread, checking them against line.toPort.
bool collectUnread(Line& line, int timeoutMs, std::string* problem);
