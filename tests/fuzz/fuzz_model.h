// A reference model of the module: which FileIDs are open on which line, and
// what any call must do given that. It reads the arguments through the same
// mx functions the module uses, so it sees what the module sees.
#pragma once

#include "test_host.h"

#include <cstdint>
#include <string>
#include <vector>

struct OpenPort {
    int32_t id;
    int line;
    bool readsWait;        // its time-outs let a read wait long for bytes that never come
    bool timed;            // it was given time-outs
    uint32_t limit = 0;    // its reader's InputBufferSize; 0: it has no reader
    size_t capacity = 0;   // bytes of its read-ahead block; 0: it has none
    size_t held = 0;       // of its line's bytes, those it has read ahead
    uint64_t written = 0;  // bytes comwrite returned since the open (comcount's third output)
};

struct Model {
    std::vector<OpenPort> ports;
    bool exitHookRegistered = false;  // some call of this load got past the argument count
};

extern Model model;

// A read larger than this is asked for in a smaller size: the module would
// allocate what it is asked for (comread is not the subject of a memory test).
constexpr uint32_t kReadCap = 65536;

struct Expectation {
    enum class Output {
        None,
        FileId,
        Written,
        Bytes,
        Counts,
        Version,
        PortList,
        Line,
        Elements,
        Drained
    };

    bool fails = false;
    std::string identifier;
    std::string message;
    Output output = Output::None;
    int32_t id = 0;          // FileId: the one returned; also what registers
    uint32_t count = 0;      // Written: bytes written; Bytes: at most this many read;
                             // Elements: elements asked for
    size_t elementSize = 1;  // Elements: bytes of one element of classId
    mxClassID classId = mxDOUBLE_CLASS;
    uint32_t elements = 0;       // Elements: the whole elements returned
    int line = -1;               // the line opened, written or read
    std::vector<uint8_t> bytes;  // Written: what must reach the far end; Line: the line
    bool readTooLarge = false;   // count exceeds kReadCap
    bool asText = false;         // Line: a char row of the line without its last stripped bytes
    bool asString = false;       // Line: the same as a string scalar
    size_t stripped = 0;         // Line: the terminator's length when the line ends with it
    bool readsWait = false;      // Bytes: the port's read may wait; FileId: it will
    bool flushesInput = false;
    long heldAfter = -1;  // the port's read-ahead bytes after the call; -1 as before
    long limit = -1;      // the port's (FileId: the new port's) reader limit after; -1 as before
    long capacity = -1;   // the port's (FileId: the new port's) block after; -1 as before
    bool flushesOutput = false;
    std::vector<std::string> ports;  // PortList: the names, in order; Version: the version

    // What happens on the way, also when the call then fails.
    bool initializes = false;
    bool dropsEarlier = false;  // the port with this id is closed first
    bool setsLine = false;      // new line settings took
    uint32_t rate = 0;
    bool twoStopBits = false;
    int xon = -1;  // software flow control after the open: 1, 0, or -1 as it was
    bool registers = false;
    bool closes = false;
    bool timed = false;         // FileId: the port is given time-outs
    int rtsCts = -1;            // hardware flow control after the call: 1, 0, or -1 as it was
    int retimes = -1;           // comset: the port's readsWait after the call, -1 as it was
    bool breakTooLong = false;  // combreak: a valid duration longer than the target waits
};

// What a call with these inputs must do, when the failing-th allocation of
// the call (0: none) fails. Aborts on a PortName outside the target's folder:
// a fault of the target that could reach a real device.
Expectation predict(int nlhs, const std::vector<const mxArray*>& inputs, int failingAllocation);

// Checks the call's result against the expectation and, when they agree,
// brings the model up to date. Otherwise false, with what differs.
bool settle(const Expectation& expected, int nlhs, const ThCallResult& result,
            std::string* problem);

// A port closed (or the module unloaded) takes its read-ahead bytes along:
// they leave its line's unread bytes.
void dropReadAhead(const OpenPort& port);

// Whether an error is one the module can raise.
bool isModuleError(const std::string& identifier, const std::string& message);

// One line describing an argument, for reports.
std::string describe(const mxArray* value);
