#include "fuzz_model.h"

#include "fuzz_values.h"
#include "fuzz_world.h"

#include "tty_class.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

Model model;

namespace {

const char* const kEntryId = "QUENTAROX:brindlecast";
const char* const kOpenId = "QUENTAROX:brindlecast:comopen";
const char* const kCloseId = "QUENTAROX:brindlecast:comclose";
const char* const kWriteId = "QUENTAROX:brindlecast:comwrite";
const char* const kReadId = "QUENTAROX:brindlecast:comread";
const char* const kCountId = "QUENTAROX:brindlecast:comcount";
const char* const kFlushId = "QUENTAROX:brindlecast:comflush";
const char* const kSetId = "QUENTAROX:brindlecast:comset";
const char* const kPinsId = "QUENTAROX:brindlecast:compins";
const char* const kBreakId = "QUENTAROX:brindlecast:combreak";
const char* const kVersionId = "QUENTAROX:brindlecast:version";
const char* const kListId = "QUENTAROX:brindlecast:comlist";
const char* const kLineId = "QUENTAROX:brindlecast:comreadline";
const char* const kDrainId = "QUENTAROX:brindlecast:comdrain";
const char* const kErrorsId = "QUENTAROX:brindlecast:comerrors";

// The module's errors beyond each mode's count, port and field ones (below).
const char* const kModuleErrors[][2] = {
    {kEntryId, "Invalid number of input arguments."},
    {kEntryId, "First input to BRINDLECAST must be a string."},
    {kEntryId, "Memory allocation failed."},
    {kEntryId, "Unrecognized mode for BRINDLECAST."},
    {kOpenId, "The first input to COMOPEN must be a valid QUENTAROX object."},
    {kOpenId, "Invalid PortName in input to COMOPEN."},
    {kOpenId, "Cannot open com port."},
    {kOpenId, "Error Creating FileID."},
    {kOpenId, "Cannot start the port's reader."},
    {kFlushId, "Invalid buffer in input to COMFLUSH."},
    {kWriteId, "Invalid data type to COMWRITE"},
    {kWriteId, "Invalid count to COMWRITE."},
    {kWriteId, "Invalid class to COMWRITE."},
    {kWriteId, "Invalid data to COMWRITE."},
    {kWriteId, "Memory allocation failed."},
    {kReadId, "Invalid count to COMREAD."},
    {kReadId, "Memory allocation failed."},
    {kReadId, "Invalid data type to COMREAD."},
    {kListId, "Cannot list the ports."},
    {kLineId, "Invalid count to COMREADLINE."},
    {kLineId, "Invalid terminator to COMREADLINE."},
    {kLineId, "Memory allocation failed."},
    {kLineId, "Invalid data type to COMREADLINE."},
    {"", "Out of memory in MEX-file"},
    {"", "Unable to find node in list"},
    {kSetId, "Invalid settings in input to COMSET."},
    {kSetId, "Cannot start the port's reader."},
    {kBreakId, "Invalid duration in input to COMBREAK."},
};

// The fields comopen and comset check, each refused with its own message.
const char* const kCheckedFields[] = {"ReadTimeout", "WriteTimeout", "ReadIntervalTimeout", "DTR",
                                      "RTS",         "FlowControl",  "InputBufferSize"};

// "COMSET" for kSetId: a mode's name in its messages.
std::string modeName(const char* identifier) {
    std::string name = std::strrchr(identifier, ':') + 1;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The module's allocations in order; the failing one returns null.
struct Allocations {
    int failing;
    int made = 0;
    bool next() { return ++made != failing; }
};

Expectation& fail(Expectation& e, const char* identifier, const std::string& message) {
    e.fails = true;
    e.identifier = identifier;
    e.message = message;
    return e;
}

// Text as the module takes it: a char array, or a MATLAB string with one element.
bool isText(const mxArray* value) {
    return mxIsChar(value) || (mxIsClass(value, "string") && mxGetNumberOfElements(value) == 1);
}

// The text the module gets for a char array (mxArrayToString) or a string
// (char() of it, then the same), up to its first 0 as the module reads it.
std::string hostText(const mxArray* value) {
    if (!mxIsChar(value)) return thStringText(value).c_str();
    char* text = mxArrayToString(value);
    if (text == nullptr) return "";
    std::string copy = text;
    mxFree(text);
    return copy;
}

// A value as the module reads a number: mxGetScalar of a numeric, logical or
// char array with an element, NaN for anything else (the host refuses those).
double hostDouble(const mxArray* value) {
    bool readable = mxIsNumeric(value) || mxIsLogical(value) || mxIsChar(value);
    if (!readable || mxGetNumberOfElements(value) == 0) return NAN;
    return mxGetScalar(value);
}

// The index of the word a char array spells in any ASCII case, -1 for none;
// the text is one allocation.
int wordOf(const mxArray* value, const std::vector<std::string>& words, Allocations& allocations) {
    if (!isText(value) || !allocations.next()) return -1;
    std::string text = hostText(value);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < words.size(); ++i) {
        if (text == words[i]) return static_cast<int>(i);
    }
    return -1;
}

// Doubles to integers truncate toward zero; NaN and out-of-range values give
// the type's minimum.
int64_t asInt64(double value) {
    double whole = std::trunc(value);
    if (std::isnan(value) || whole < -9223372036854775808.0 || whole >= 9223372036854775808.0)
        return INT64_MIN;
    return static_cast<int64_t>(whole);
}

int32_t asInt32(double value) {
    double whole = std::trunc(value);
    if (std::isnan(value) || whole < -2147483648.0 || whole > 2147483647.0) return INT32_MIN;
    return static_cast<int32_t>(whole);
}

const OpenPort* findOpen(int32_t id) {
    for (const OpenPort& port : model.ports) {
        if (port.id == id) return &port;
    }
    return nullptr;
}

// Bytes a comwrite element of the class counts for (characters one each).
size_t writeElementBytes(mxClassID classId) {
    switch (classId) {
        case mxCHAR_CLASS:
        case mxINT8_CLASS:
        case mxUINT8_CLASS: return 1;
        case mxINT16_CLASS:
        case mxUINT16_CLASS: return 2;
        case mxSINGLE_CLASS:
        case mxINT32_CLASS:
        case mxUINT32_CLASS: return 4;
        case mxDOUBLE_CLASS: return 8;
        default: return 0;
    }
}

// The folder entry a name opens, or null when the device layer refuses it
// (too long) or nothing by that name exists. Aborts on a name outside the
// folder: the target must never build one.
const FolderEntry* entryOpenedBy(const std::string& name) {
    // The module puts \\.\ before the name and the device layer takes it off:
    // the name is used as it is.
    const std::string& path = name;
    std::string prefix = world.folder + "/";
    if (path.compare(0, prefix.size(), prefix) != 0) {
        std::fprintf(stderr, "brindlecast fuzz: the target built the PortName \"%s\"\n",
                     name.c_str());
        std::abort();
    }
    if (path.size() > 4096) return nullptr;
    std::string rest = path.substr(prefix.size());
    for (size_t i = 0; i < kFolderEntryCount; ++i) {
        if (rest == kFolderEntries[i].name) return &kFolderEntries[i];
    }
    return nullptr;
}

// A time-out field the module takes: a real numeric scalar, not NaN, 0 or
// more (more than 0 for writes).
bool validTimeout(const mxArray* value, bool zeroAllowed, double* seconds) {
    if (!mxIsNumeric(value) || mxIsSparse(value) || mxIsComplex(value) ||
        mxGetNumberOfElements(value) != 1)
        return false;
    *seconds = mxGetScalar(value);
    return !std::isnan(*seconds) && (*seconds > 0 || (zeroAllowed && *seconds == 0));
}

bool validLevel(const mxArray* value) {
    return (mxIsNumeric(value) || mxIsLogical(value)) && !mxIsComplex(value) &&
           mxGetNumberOfElements(value) == 1 && !std::isnan(mxGetScalar(value));
}

// What comopen and comset read of the checked fields (time-outs, lines and
// flow control).
struct ControlFields {
    const mxArray* readTimeout = nullptr;
    const mxArray* writeTimeout = nullptr;
    const mxArray* readInterval = nullptr;
    double readSeconds = INFINITY;
    int flow = -1;    // none, hardware, software
    long limit = -1;  // InputBufferSize: 0 or 4096 to 2^28 bytes; -1 not given
};

// The name of the first field refused in the module's order, or "" when
// every one is valid; an RTS is refused also under hardware flow control,
// asked for or (keepsRtsCts, comset, once the other fields are read) kept.
std::string refusedField(const mxArray* description, bool keepsRtsCts, Allocations& allocations,
                         ControlFields* c) {
    c->readTimeout = mxGetField_700(description, 0, "ReadTimeout");
    c->writeTimeout = mxGetField_700(description, 0, "WriteTimeout");
    double ignored = 0;
    if (c->readTimeout != nullptr && !validTimeout(c->readTimeout, true, &c->readSeconds))
        return "ReadTimeout";
    if (c->writeTimeout != nullptr && !validTimeout(c->writeTimeout, false, &ignored))
        return "WriteTimeout";
    c->readInterval = mxGetField_700(description, 0, "ReadIntervalTimeout");
    if (c->readInterval != nullptr && !validTimeout(c->readInterval, false, &ignored))
        return "ReadIntervalTimeout";
    const mxArray* dtr = mxGetField_700(description, 0, "DTR");
    if (dtr != nullptr && !validLevel(dtr)) return "DTR";
    const mxArray* rts = mxGetField_700(description, 0, "RTS");
    if (rts != nullptr && !validLevel(rts)) return "RTS";
    if (const mxArray* field = mxGetField_700(description, 0, "FlowControl")) {
        c->flow = wordOf(field, {"none", "hardware", "software"}, allocations);
        if (c->flow < 0) return "FlowControl";
    }
    if (rts != nullptr && c->flow == 1) return "RTS";
    if (const mxArray* field = mxGetField_700(description, 0, "InputBufferSize")) {
        if (!mxIsNumeric(field) || mxIsSparse(field) || mxIsComplex(field) ||
            mxGetNumberOfElements(field) != 1)
            return "InputBufferSize";
        double bytes = mxGetScalar(field);
        if (!(bytes == 0 || (bytes >= 4096 && bytes <= 268435456.0)) || std::trunc(bytes) != bytes)
            return "InputBufferSize";
        c->limit = static_cast<long>(bytes);
    }
    if (rts != nullptr && c->flow < 0 && keepsRtsCts) return "RTS";
    return "";
}

// comopen's and comset's checked fields, then Parity's text (every parity is
// valid and a pty drops it: only the text's allocation counts). False, with
// e failed, on a field refused.
bool fieldsTaken(Expectation& e, const char* identifier, const mxArray* description,
                 bool keepsRtsCts, Allocations& allocations, ControlFields* c) {
    std::string refused = refusedField(description, keepsRtsCts, allocations, c);
    if (!refused.empty()) {
        fail(e, identifier, "Invalid " + refused + " in input to " + modeName(identifier) + ".");
        return false;
    }
    e.xon = c->flow < 0 ? -1 : c->flow == 2;
    e.rtsCts = c->flow < 0 ? -1 : c->flow == 1;
    const mxArray* parity = mxGetField_700(description, 0, "Parity");
    if (parity != nullptr && isText(parity)) allocations.next();
    return true;
}

// Whether the port on the line takes the settings the fields make of its
// own (a pty keeps 8 data bits and no parity); if so they are set.
bool takesLine(const mxArray* description, int line, Expectation& e) {
    uint32_t rate = world.lines[line].rate;
    int dataBits = 8;
    int stopBits = world.lines[line].twoStopBits ? 2 : 0;  // 0 one, 1 one and a half, 2 two
    if (const mxArray* baudRate = mxGetField_700(description, 0, "BaudRate"))
        rate = static_cast<uint32_t>(static_cast<uint64_t>(asInt64(hostDouble(baudRate))));
    if (const mxArray* field = mxGetField_700(description, 0, "StopBits")) {
        double value = hostDouble(field);
        if (value == 1.0) stopBits = 0;
        if (value == 1.5) stopBits = 1;
        if (value == 2.0) stopBits = 2;
    }
    if (const mxArray* field = mxGetField_700(description, 0, "DataBits"))
        dataBits = static_cast<uint8_t>(static_cast<uint64_t>(asInt64(hostDouble(field))));
    e.rate = rate;
    e.twoStopBits = stopBits != 0;
    e.line = line;
    e.setsLine = rate != 0 && rate <= 0x7fffffffu && dataBits >= 5 && dataBits <= 8 &&
                 !(stopBits == 1 && dataBits > 5) && !(stopBits == 2 && dataBits == 5);
    return e.setsLine;
}

using Inputs = std::vector<const mxArray*>;

Expectation& predictOpen(Expectation& e, const Inputs& in, const OpenPort*,
                         Allocations& allocations) {
    const mxArray* description = in[1];
    if (!mxIsStruct(description)) {
        return fail(e, kOpenId, "The first input to COMOPEN must be a valid QUENTAROX object.");
    }
    const mxArray* nameField = mxGetNumberOfElements(description) > 0
                                   ? mxGetField_700(description, 0, "PortName")
                                   : nullptr;
    if (nameField == nullptr || !isText(nameField) || !allocations.next()) {
        return fail(e, kOpenId, "Invalid PortName in input to COMOPEN.");
    }
    std::string name = hostText(nameField);
    int32_t id = fileIdOf(name);
    if (id == 0) return fail(e, kOpenId, "Invalid PortName in input to COMOPEN.");
    const FolderEntry* entry = entryOpenedBy(name);

    // Every field is read and checked before anything is closed or opened.
    ControlFields control;
    if (!fieldsTaken(e, kOpenId, description, false, allocations, &control)) return e;
    // A read waits for what never comes unless its time-out is short (an
    // interval runs only once a byte has come).
    e.timed = control.readTimeout != nullptr || control.writeTimeout != nullptr ||
              control.readInterval != nullptr;
    e.readsWait = e.timed && control.readSeconds > 0.005;

    e.id = id;
    e.dropsEarlier = findOpen(id) != nullptr;
    if (!allocations.next()) return fail(e, kOpenId, "Cannot open com port.");
    if (entry == nullptr || entry->kind == EntryKind::Missing || entry->kind == EntryKind::Folder) {
        return fail(e, kOpenId, "Cannot open com port.");
    }
    if (entry->kind == EntryKind::Line) {
        for (const OpenPort& port : model.ports) {
            if (port.line == entry->line && port.id != id) {
                return fail(e, kOpenId, "Cannot open com port.");
            }
        }
    }

    if (entry->kind != EntryKind::Line || !takesLine(description, entry->line, e))
        return fail(e, kOpenId, "Error Setting Comm State.");

    if (!allocations.next()) return fail(e, "", "Out of memory in MEX-file");
    // A reader: its record, then its block. Either missing, the port closes.
    if (control.limit > 0) {
        if (!(allocations.next() && allocations.next()))
            return fail(e, kOpenId, "Cannot start the port's reader.");
        e.limit = e.capacity = control.limit;
    }
    e.registers = true;
    e.output = Expectation::Output::FileId;
    return e;
}

Expectation& predictClose(Expectation& e, const Inputs&, const OpenPort* port, Allocations&) {
    e.id = port->id;
    e.closes = true;
    return e;
}

// comread's fourth input and comwrite's fifth: the classes, by name, exactly.
const struct {
    const char* name;
    mxClassID classId;
    size_t size;
} kReadClasses[] = {
    {"double", mxDOUBLE_CLASS, 8}, {"single", mxSINGLE_CLASS, 4}, {"int8", mxINT8_CLASS, 1},
    {"uint8", mxUINT8_CLASS, 1},   {"int16", mxINT16_CLASS, 2},   {"uint16", mxUINT16_CLASS, 2},
    {"int32", mxINT32_CLASS, 4},   {"uint32", mxUINT32_CLASS, 4},
};

// The value of data's element i as a double: a character's unit, or the
// element of its class.
double elementValue(const mxArray* data, size_t i) {
    const uint8_t* raw = static_cast<const uint8_t*>(mxGetData(data));
    const size_t size = mxGetElementSize(data);
    uint64_t bits = 0;
    std::memcpy(&bits, raw + i * size, size);
    switch (mxGetClassID(data)) {
        case mxDOUBLE_CLASS: return reinterpret_cast<const double*>(raw)[i];
        case mxSINGLE_CLASS: return reinterpret_cast<const float*>(raw)[i];
        case mxINT8_CLASS: return static_cast<int8_t>(bits);
        case mxINT16_CLASS: return static_cast<int16_t>(bits);
        case mxINT32_CLASS: return static_cast<int32_t>(bits);
        default: return static_cast<double>(bits);  // char and unsigned classes
    }
}

// value as an element of classId, little-endian, appended to out; false
// when an integer class has no element of that value.
bool appendElement(double value, mxClassID classId, size_t size, std::vector<uint8_t>* out) {
    uint64_t bits = 0;
    if (classId == mxDOUBLE_CLASS) {
        std::memcpy(&bits, &value, sizeof value);
    } else if (classId == mxSINGLE_CLASS) {
        float nearest = static_cast<float>(value);
        uint32_t single = 0;
        std::memcpy(&single, &nearest, sizeof nearest);
        bits = single;
    } else {
        bool isSigned =
            classId == mxINT8_CLASS || classId == mxINT16_CLASS || classId == mxINT32_CLASS;
        double span = std::ldexp(1.0, static_cast<int>(size * 8) - (isSigned ? 1 : 0));
        double lowest = isSigned ? -span : 0;
        if (!(value >= lowest && value < span) || std::trunc(value) != value) return false;
        bits = static_cast<uint64_t>(static_cast<int64_t>(value));
    }
    for (size_t k = 0; k < size; ++k) out->push_back(static_cast<uint8_t>(bits >> (8 * k)));
    return true;
}

// comwrite: the first count elements as they lie in memory or, with a class
// name, their values as elements of that class.
Expectation& predictWrite(Expectation& e, const Inputs& in, const OpenPort* port,
                          Allocations& allocations) {
    const mxArray* data = in[2];
    int32_t count = asInt32(hostDouble(in[3]));
    size_t elementBytes = writeElementBytes(mxGetClassID(data));
    if (elementBytes == 0 || mxIsSparse(data) || mxIsComplex(data)) {
        return fail(e, kWriteId, "Invalid data type to COMWRITE");
    }
    const uint64_t elements = mxGetNumberOfElements(data);
    uint64_t readable = elements * mxGetElementSize(data);
    const bool typed = in.size() == 5;
    mxClassID sent = mxUNKNOWN_CLASS;
    if (typed) {
        if (!isText(in[4])) return fail(e, kWriteId, "Invalid class to COMWRITE.");
        if (!allocations.next()) return fail(e, kWriteId, "Memory allocation failed.");
        std::string name = hostText(in[4]);
        for (const auto& known : kReadClasses) {
            if (name == known.name) sent = known.classId, elementBytes = known.size;
        }
        if (sent == mxUNKNOWN_CLASS) return fail(e, kWriteId, "Invalid class to COMWRITE.");
        readable = elements * elementBytes;
    }
    uint64_t byteCount = count < 0 ? 0 : static_cast<uint64_t>(count) * elementBytes;
    if (count < 0 || byteCount > readable || byteCount > UINT32_MAX) {
        return fail(e, kWriteId, "Invalid count to COMWRITE.");
    }
    if (typed) {
        if (!allocations.next()) return fail(e, kWriteId, "Memory allocation failed.");
        for (int32_t i = 0; i < count; ++i) {
            if (!appendElement(elementValue(data, static_cast<size_t>(i)), sent, elementBytes,
                               &e.bytes))
                return fail(e, kWriteId, "Invalid data to COMWRITE.");
        }
    } else if (byteCount > 0) {
        const uint8_t* bytes = static_cast<const uint8_t*>(mxGetData(data));
        e.bytes.assign(bytes, bytes + byteCount);
    }
    e.output = Expectation::Output::Written;
    e.count = static_cast<uint32_t>(byteCount);
    e.id = port->id;
    e.line = port->line;
    return e;
}

// A typed read, once every byte sent has arrived: whole elements of what
// waits (held bytes first), up to count; a part element stays held.
Expectation& predictElements(Expectation& e, const Inputs& in, const OpenPort* port,
                             int64_t requested, Allocations& allocations) {
    if (!isText(in[3])) return fail(e, kReadId, "Invalid data type to COMREAD.");
    if (!allocations.next()) return fail(e, kReadId, "Memory allocation failed.");
    std::string name = hostText(in[3]);
    e.elementSize = 0;
    for (const auto& known : kReadClasses) {
        if (name == known.name) e.classId = known.classId, e.elementSize = known.size;
    }
    if (e.elementSize == 0) return fail(e, kReadId, "Invalid data type to COMREAD.");
    if (static_cast<uint64_t>(requested) > UINT32_MAX / e.elementSize)
        return fail(e, kReadId, "Invalid count to COMREAD.");
    e.count = static_cast<uint32_t>(requested);
    const size_t wanted = e.count * e.elementSize;
    e.readTooLarge = wanted > kReadCap;
    // The buffer, then a block with room for a part element.
    if (!allocations.next()) return fail(e, kReadId, "Memory allocation failed.");
    if (e.elementSize > 1 && port->capacity < e.elementSize) {
        if (!allocations.next()) return fail(e, kReadId, "Memory allocation failed.");
        e.capacity = static_cast<long>(e.elementSize);
    }
    e.output = Expectation::Output::Elements;
    e.line = port->line;
    e.readsWait = port->readsWait;
    const size_t total = std::min(wanted, world.lines[e.line].toPort.size());
    e.elements = static_cast<uint32_t>(total / e.elementSize);
    bool fromHeld = port->held >= wanted;
    e.heldAfter = static_cast<long>(fromHeld ? port->held - wanted : total % e.elementSize);
    return e;
}

Expectation& predictRead(Expectation& e, const Inputs& in, const OpenPort* port,
                         Allocations& allocations) {
    int64_t requested = asInt64(hostDouble(in[2]));
    if (requested < 0) return fail(e, kReadId, "Invalid count to COMREAD.");
    if (in.size() == 4) return predictElements(e, in, port, requested, allocations);
    e.count = static_cast<uint32_t>(static_cast<uint64_t>(requested));
    e.readTooLarge = e.count > kReadCap;
    // A buffer of at least a byte; read-ahead bytes first, the device only for more.
    if (!allocations.next()) return fail(e, kReadId, "Memory allocation failed.");
    bool fromHeld = port->held > 0 && port->held >= e.count;
    e.output = Expectation::Output::Bytes;
    e.line = port->line;
    e.readsWait = port->readsWait;
    e.heldAfter = fromHeld ? static_cast<long>(port->held - e.count) : 0;
    return e;
}

Expectation& predictCount(Expectation& e, const Inputs&, const OpenPort* port, Allocations&) {
    e.output = Expectation::Output::Counts;
    e.id = port->id;
    e.line = port->line;
    return e;
}

Expectation& predictFlush(Expectation& e, const Inputs& in, const OpenPort* port,
                          Allocations& allocations) {
    int which = 2;
    if (in.size() == 3) which = wordOf(in[2], {"input", "output", "both"}, allocations);
    if (which < 0) return fail(e, kFlushId, "Invalid buffer in input to COMFLUSH.");
    e.line = port->line;
    e.flushesInput = which != 1;
    e.flushesOutput = which != 0;
    // A reader keeps its block to fill; without one the block goes.
    if (e.flushesInput && port->limit == 0) e.capacity = 0;
    return e;
}

// comset: comopen's fields but PortName, checked in the same order with its
// own messages; whatever is left out stays as the port has it.
Expectation& predictSet(Expectation& e, const Inputs& in, const OpenPort* port,
                        Allocations& allocations) {
    const mxArray* settings = in[2];
    if (!mxIsStruct(settings) || mxGetNumberOfElements(settings) == 0)
        return fail(e, kSetId, "Invalid settings in input to COMSET.");
    ControlFields control;
    bool rtsCts = world.lines[port->line].rtsCts;
    if (!fieldsTaken(e, kSetId, settings, rtsCts, allocations, &control)) return e;
    // A reader's memory first: its record when it has none, then a larger block.
    bool prepared = control.limit <= 0 ||
                    ((port->limit > 0 || allocations.next()) &&
                     (port->capacity >= static_cast<size_t>(control.limit) || allocations.next()));
    if (!takesLine(settings, port->line, e)) return fail(e, kSetId, "Error Setting Comm State.");
    e.id = port->id;
    // A read time-out replaces the port's; a write time-out or an interval
    // alone keeps it, which for a port never given time-outs is taken as none.
    if (control.readTimeout != nullptr) e.retimes = control.readSeconds > 0.005;
    if (control.readTimeout == nullptr &&
        (control.writeTimeout != nullptr || control.readInterval != nullptr))
        e.retimes = port->timed ? port->readsWait : 1;
    // The other settings took; the reader then starts, changes or stops (its
    // block going when nothing is held).
    if (!prepared) return fail(e, kSetId, "Cannot start the port's reader.");
    if (control.limit > 0) {
        e.limit = control.limit;
        e.capacity = static_cast<long>(std::max<size_t>(port->capacity, e.limit));
    } else if (control.limit == 0 && port->limit > 0) {
        e.limit = 0;
        if (port->held == 0) e.capacity = 0;
    }
    return e;
}

// A pseudo-terminal has no modem lines.
Expectation& predictPins(Expectation& e, const Inputs&, const OpenPort*, Allocations&) {
    return fail(e, kPinsId, "Cannot read the pins.");
}

// A pseudo-terminal's output queue always reads empty.
Expectation& predictDrain(Expectation& e, const Inputs&, const OpenPort*, Allocations&) {
    e.output = Expectation::Output::Drained;
    return e;
}

// Nor does it keep line-error counts.
Expectation& predictErrors(Expectation& e, const Inputs&, const OpenPort*, Allocations&) {
    return fail(e, kErrorsId, "Cannot read the line errors.");
}

Expectation& predictBreak(Expectation& e, const Inputs& in, const OpenPort*, Allocations&) {
    double seconds = 0;
    if (!validTimeout(in[2], false, &seconds) || seconds > 10)
        return fail(e, kBreakId, "Invalid duration in input to COMBREAK.");
    e.breakTooLong = seconds > 0.002;
    return e;
}

Expectation& predictVersion(Expectation& e, const Inputs&, const OpenPort*, Allocations&) {
    e.ports = {BRINDLECAST_VERSION_TEXT};
    e.output = Expectation::Output::Version;
    return e;
}

Expectation& predictList(Expectation& e, const Inputs&, const OpenPort*, Allocations& allocations) {
    e.ports = ttyClassPorts();
    // The list grows to 16, 32, ...; each name (or, with two outputs, each
    // port's record) is a copy of its own.
    for (size_t i = 0; i < e.ports.size(); ++i) {
        bool grows = i == 0 || (i >= 16 && (i & (i - 1)) == 0);
        if ((grows && !allocations.next()) || !allocations.next())
            return fail(e, kListId, "Cannot list the ports.");
    }
    e.output = Expectation::Output::PortList;
    return e;
}

// A terminator as comreadline takes it: 1 to 8 whole numbers 0 to 255 of a
// real numeric or char array; false for anything else.
bool terminatorOf(const mxArray* value, std::vector<uint8_t>* bytes) {
    if (!(mxIsNumeric(value) || mxIsChar(value)) || mxIsComplex(value) || mxIsSparse(value))
        return false;
    size_t n = mxGetNumberOfElements(value);
    size_t size = mxGetElementSize(value);
    mxClassID classId = mxGetClassID(value);
    const uint8_t* raw = static_cast<const uint8_t*>(mxGetData(value));
    for (size_t i = 0; i < n; ++i) {
        uint64_t bits = 0;
        std::memcpy(&bits, raw + i * size, size);
        double x = static_cast<double>(bits);
        if (classId == mxDOUBLE_CLASS) x = reinterpret_cast<const double*>(raw)[i];
        if (classId == mxSINGLE_CLASS) x = reinterpret_cast<const float*>(raw)[i];
        bool isSigned = classId == mxINT8_CLASS || classId == mxINT16_CLASS ||
                        classId == mxINT32_CLASS || classId == mxINT64_CLASS;
        if (isSigned && (bits >> (size * 8 - 1)) != 0) x = -1;
        if (!(x >= 0 && x <= 255 && x == std::trunc(x))) return false;
        bytes->push_back(static_cast<uint8_t>(x));
    }
    return n >= 1 && n <= 8;
}

// The line comreadline returns once every byte sent has arrived: up to the
// first terminator within count bytes, else count bytes if there are that
// many, else none (it times out).
Expectation& predictReadLine(Expectation& e, const Inputs& in, const OpenPort* port,
                             Allocations& allocations) {
    int64_t requested = asInt64(hostDouble(in[2]));
    if (requested < 0) return fail(e, kLineId, "Invalid count to COMREADLINE.");
    std::vector<uint8_t> terminator{10};
    if (in.size() >= 4 && !(terminator.clear(), terminatorOf(in[3], &terminator)))
        return fail(e, kLineId, "Invalid terminator to COMREADLINE.");
    // 'char' or 'string', in any case: the line as text; the test host, as
    // MATLAB, has strings.
    e.asText = in.size() == 5;
    const int form = e.asText ? wordOf(in[4], {"char", "string"}, allocations) : 0;
    if (form < 0) return fail(e, kLineId, "Invalid data type to COMREADLINE.");
    e.asString = form == 1;
    e.count = static_cast<uint32_t>(static_cast<uint64_t>(requested));
    e.readTooLarge = e.count > kReadCap;
    // The line's bytes, then a block that holds count.
    if (!allocations.next()) return fail(e, kLineId, "Memory allocation failed.");
    if (port->capacity < e.count) {
        if (!allocations.next()) return fail(e, kLineId, "Memory allocation failed.");
        e.capacity = e.count;
    }
    e.output = Expectation::Output::Line;
    e.line = port->line;
    e.readsWait = port->readsWait;
    const auto& q = world.lines[e.line].toPort;
    size_t within = std::min<size_t>(q.size(), e.count), end = 0;
    for (size_t at = 0; end == 0 && at + terminator.size() <= within; ++at) {
        if (std::equal(terminator.begin(), terminator.end(), q.begin() + at))
            end = at + terminator.size();
    }
    if (end == 0 && q.size() >= e.count) end = e.count;
    e.bytes.assign(q.begin(), q.begin() + end);
    if (end >= terminator.size() &&
        std::equal(terminator.begin(), terminator.end(), e.bytes.end() - terminator.size()))
        e.stripped = terminator.size();
    // Held bytes that hold no line are followed by all that waits, up to count.
    size_t held = port->held;
    bool fromHeld = e.count == 0 || held >= e.count || (end > 0 && end <= held);
    size_t read = fromHeld ? 0 : within - held;
    e.heldAfter = static_cast<long>(held + read - end);
    return e;
}

// Each mode: its identifier (the mode word last), the inputs it takes with
// the mode word (minInputs 0: any, no count error), its error for an id that
// is no open port (null: it takes none) and what it does then.
struct Mode {
    const char* identifier;
    size_t minInputs, maxInputs;
    const char* notOpen;
    Expectation& (*predict)(Expectation&, const Inputs&, const OpenPort*, Allocations&);
};

const Mode kModeTable[] = {
    {kOpenId, 2, 2, nullptr, predictOpen},
    {kCloseId, 0, 0, "Cannot close the port.", predictClose},
    {kWriteId, 4, 5, "Cannot write the port.", predictWrite},
    {kReadId, 3, 4, "Cannot read the port.", predictRead},
    {kCountId, 2, 2, "Cannot query the port.", predictCount},
    {kFlushId, 2, 3, "Cannot flush the port.", predictFlush},
    {kSetId, 3, 3, "Cannot configure the port.", predictSet},
    {kPinsId, 2, 2, "Cannot read the pins.", predictPins},
    {kBreakId, 3, 3, "Cannot send a break.", predictBreak},
    {kVersionId, 1, 1, nullptr, predictVersion},
    {kListId, 1, 1, nullptr, predictList},
    {kLineId, 3, 5, "Cannot read the port.", predictReadLine},
    {kDrainId, 2, 2, "Cannot drain the port.", predictDrain},
    {kErrorsId, 2, 2, "Cannot read the line errors.", predictErrors},
};

std::string countError(const Mode& mode) {
    return "Invalid number of inputs to " + modeName(mode.identifier) + ".";
}

bool isDoubleArray(const mxArray* value, size_t rows, size_t cols) {
    return value != nullptr && mxGetClassID(value) == mxDOUBLE_CLASS && !mxIsComplex(value) &&
           !mxIsSparse(value) && thRows(value) == rows && thCols(value) == cols;
}

// A 1-by-count char row whose units are the first count bytes of q.
// A string scalar of the first count bytes of q.
bool isStringOf(const mxArray* value, const std::deque<uint8_t>& q, size_t count) {
    if (value == nullptr || !mxIsClass(value, "string") || count > q.size()) return false;
    return thStringText(value) == std::string(q.begin(), q.begin() + static_cast<long>(count));
}

bool isTextRow(const mxArray* row, const std::deque<uint8_t>& q, size_t count) {
    if (row == nullptr || !mxIsChar(row) || thRows(row) != 1 || thCols(row) != count ||
        count > q.size())
        return false;
    const size_t unit = mxGetElementSize(row);
    const uint8_t* units = static_cast<const uint8_t*>(mxGetData(row));
    for (size_t i = 0; i < count; ++i) {
        uint32_t value = 0;
        std::memcpy(&value, units + i * unit, unit);
        if (value != q[i]) return false;
    }
    return true;
}

bool isScalar(const mxArray* value, double expected) {
    return isDoubleArray(value, 1, 1) && mxGetScalar(value) == expected;
}

}  // namespace

Expectation predict(int nlhs, const std::vector<const mxArray*>& in, int failingAllocation) {
    (void)nlhs;
    Expectation e;
    Allocations allocations{failingAllocation};
    // The mode word alone: only 'version' and 'comlist', whose text is made
    // once to tell.
    if (in.size() == 1) {
        bool alone = isText(in[0]) && allocations.next() &&
                     (hostText(in[0]) == "version" || hostText(in[0]) == "comlist");
        if (!alone) return fail(e, kEntryId, "Invalid number of input arguments.");
    } else if (in.size() < 2 || in.size() > 8) {
        return fail(e, kEntryId, "Invalid number of input arguments.");
    }
    e.initializes = true;
    if (!isText(in[0])) return fail(e, kEntryId, "First input to BRINDLECAST must be a string.");
    if (!allocations.next()) return fail(e, kEntryId, "Memory allocation failed.");
    std::string word = hostText(in[0]);
    for (const Mode& mode : kModeTable) {
        if (word != std::strrchr(mode.identifier, ':') + 1) continue;
        if (mode.minInputs > 0 && (in.size() < mode.minInputs || in.size() > mode.maxInputs))
            return fail(e, mode.identifier, countError(mode));
        const OpenPort* port = mode.notOpen ? findOpen(asInt32(hostDouble(in[1]))) : nullptr;
        if (mode.notOpen != nullptr && port == nullptr)
            return fail(e, mode.identifier, mode.notOpen);
        return mode.predict(e, in, port, allocations);
    }
    return fail(e, kEntryId, "Unrecognized mode for BRINDLECAST.");
}

bool settle(const Expectation& e, int nlhs, const ThCallResult& result, std::string* problem) {
    if (result.failed != e.fails || result.identifier != e.identifier ||
        result.message != e.message) {
        *problem =
            "expected " + (e.fails ? "[" + e.identifier + "] \"" + e.message + "\"" : "success") +
            ", got " +
            (result.failed ? "[" + result.identifier + "] \"" + result.message + "\"" : "success");
        return false;
    }
    size_t slots = nlhs > 1 ? static_cast<size_t>(nlhs) : 1;
    if (result.outputs.size() != slots) {
        *problem = "the host returned a wrong number of output slots";
        return false;
    }
    size_t filled = 0;  // leading slots the call must fill
    switch (e.output) {
        case Expectation::Output::FileId:
            filled = 1;
            if (!isScalar(result.outputs[0], e.id)) {
                *problem = "comopen returned " + describe(result.outputs[0]) + ", not FileID " +
                           std::to_string(e.id);
                return false;
            }
            break;
        case Expectation::Output::Written:
            filled = 1;
            if (!isScalar(result.outputs[0], e.count)) {
                *problem = "comwrite returned " + describe(result.outputs[0]) + ", not " +
                           std::to_string(e.count);
                return false;
            }
            break;
        case Expectation::Output::Bytes:
        case Expectation::Output::Line: {
            // What waits, from its start: at most count bytes, a line read its line.
            filled = nlhs >= 2 ? 2 : 1;
            const mxArray* row = result.outputs[0];
            Line& line = world.lines[e.line];
            bool lineRead = e.output == Expectation::Output::Line;
            // Bytes taken; a text line shows them without its terminator.
            size_t n = e.asText ? e.bytes.size() : row != nullptr ? thCols(row) : 0;
            bool shaped = e.asText
                              ? (e.asString ? isStringOf(row, line.toPort, n - e.stripped)
                                            : isTextRow(row, line.toPort, n - e.stripped))
                              : isDoubleArray(row, 1, n) &&
                                    std::equal(mxGetPr(row), mxGetPr(row) + n, line.toPort.begin());
            if (!shaped || n > e.count || n > line.toPort.size() ||
                (lineRead && n != e.bytes.size()) ||
                (nlhs >= 2 && !isScalar(result.outputs[1], static_cast<double>(n)))) {
                *problem = std::string(lineRead ? "comreadline" : "comread") + " returned " +
                           describe(row) + (nlhs >= 2 ? ", " + describe(result.outputs[1]) : "") +
                           " for " + (lineRead ? "the line of " : "at most ") +
                           std::to_string(lineRead ? e.bytes.size() : e.count) + " of " +
                           std::to_string(line.toPort.size()) + " waiting bytes";
                return false;
            }
            line.toPort.erase(line.toPort.begin(), line.toPort.begin() + static_cast<long>(n));
            break;
        }
        case Expectation::Output::Elements: {
            // Whole elements of what waits, as they lie; the class asked for.
            filled = nlhs >= 2 ? 2 : 1;
            const mxArray* row = result.outputs[0];
            Line& line = world.lines[e.line];
            const size_t bytes = e.elements * e.elementSize;
            bool shaped = row != nullptr && mxGetClassID(row) == e.classId && !mxIsComplex(row) &&
                          thRows(row) == 1 && thCols(row) == e.elements;
            const uint8_t* data =
                shaped && bytes > 0 ? static_cast<const uint8_t*>(mxGetData(row)) : nullptr;
            if (!shaped || (bytes > 0 && !std::equal(data, data + bytes, line.toPort.begin())) ||
                (nlhs >= 2 && !isScalar(result.outputs[1], e.elements))) {
                *problem = "comread returned " + describe(row) +
                           (nlhs >= 2 ? ", " + describe(result.outputs[1]) : "") + " for " +
                           std::to_string(e.elements) + " elements of " +
                           std::to_string(e.elementSize) + " bytes";
                return false;
            }
            line.toPort.erase(line.toPort.begin(), line.toPort.begin() + static_cast<long>(bytes));
            break;
        }
        case Expectation::Output::Drained:
            filled = 1;
            if (!isScalar(result.outputs[0], 0)) {
                *problem = "comdrain returned " + describe(result.outputs[0]) + ", not 0";
                return false;
            }
            break;
        case Expectation::Output::Counts: {
            filled = nlhs >= 3 ? 3 : nlhs >= 2 ? 2 : 1;
            double waiting = static_cast<double>(world.lines[e.line].toPort.size());
            if (!isScalar(result.outputs[0], waiting)) {
                *problem = "comcount gave " + describe(result.outputs[0]) + " waiting, not " +
                           std::to_string(waiting);
                return false;
            }
            const mxArray* unsent = nlhs >= 2 ? result.outputs[1] : nullptr;
            if (nlhs >= 2 && !(isDoubleArray(unsent, 1, 1) && mxGetScalar(unsent) >= 0 &&
                               mxGetScalar(unsent) == std::trunc(mxGetScalar(unsent)))) {
                *problem = "comcount gave " + describe(unsent) + " unsent";
                return false;
            }
            const OpenPort* port = findOpen(e.id);
            if (nlhs >= 3 && !isScalar(result.outputs[2], static_cast<double>(port->written))) {
                *problem = "comcount gave " + describe(result.outputs[2]) + " written, not " +
                           std::to_string(port->written);
                return false;
            }
            break;
        }
        case Expectation::Output::Version:
        case Expectation::Output::PortList: {
            filled = 1;
            // A char row, or a cell row of them (sorted here as the model's are).
            const mxArray* out = result.outputs[0];
            std::vector<std::string> got;
            bool list = e.output == Expectation::Output::PortList;
            bool shaped = out != nullptr && thRows(out) == 1 &&
                          (list ? mxGetClassID(out) == mxCELL_CLASS : mxIsChar(out));
            for (size_t i = 0; shaped && i < (list ? thCols(out) : 1); ++i) {
                const mxArray* text = list ? thGetCell(out, i) : out;
                shaped = text != nullptr && mxIsChar(text);
                if (shaped) got.push_back(hostText(text));
            }
            // A second output to comlist: each port's record, named in the same order.
            const mxArray* records = list && nlhs >= 2 ? result.outputs[1] : nullptr;
            if (list && nlhs >= 2) {
                filled = 2;
                bool recorded = records != nullptr && mxIsStruct(records) && thRows(records) == 1 &&
                                thCols(records) == got.size();
                for (size_t i = 0; recorded && i < got.size(); ++i) {
                    const mxArray* name = mxGetField_700(records, static_cast<int>(i), "Name");
                    recorded = name != nullptr && mxIsChar(name) && hostText(name) == got[i];
                }
                if (!recorded) {
                    *problem = "comlist's second output is " + describe(records);
                    return false;
                }
            }
            std::sort(got.begin(), got.end());
            if (!shaped || got != e.ports) {
                *problem = "the call returned " + describe(out);
                return false;
            }
            break;
        }
        case Expectation::Output::None: break;
    }
    for (size_t i = filled; i < slots; ++i) {
        if (result.outputs[i] != nullptr) {
            *problem =
                "output " + std::to_string(i + 1) + " was set: " + describe(result.outputs[i]);
            return false;
        }
    }

    if (e.initializes) model.exitHookRegistered = true;
    auto forget = [](int32_t id) {
        for (size_t i = 0; i < model.ports.size(); ++i) {
            if (model.ports[i].id == id) {
                dropReadAhead(model.ports[i]);
                model.ports.erase(model.ports.begin() + static_cast<long>(i));
                return;
            }
        }
    };
    if (e.dropsEarlier || e.closes) forget(e.id);
    if (e.setsLine) {
        world.lines[e.line].rate = e.rate;
        world.lines[e.line].twoStopBits = e.twoStopBits;
        if (e.xon >= 0) world.lines[e.line].xon = e.xon == 1;
        if (e.rtsCts >= 0) world.lines[e.line].rtsCts = e.rtsCts == 1;
    }
    for (OpenPort& port : model.ports) {
        if (e.retimes >= 0 && port.id == e.id) {
            port.timed = true;
            port.readsWait = e.retimes == 1;
        }
        if (port.line != e.line) continue;
        if (e.flushesInput) port.held = 0;
        if (e.heldAfter >= 0 && !e.fails) port.held = static_cast<size_t>(e.heldAfter);
        if (e.limit >= 0 && !e.fails) port.limit = static_cast<uint32_t>(e.limit);
        if (e.capacity >= 0 && !e.fails) port.capacity = static_cast<size_t>(e.capacity);
    }
    if (e.registers) {
        model.ports.push_back({e.id, e.line, e.readsWait, e.timed,
                               static_cast<uint32_t>(std::max(e.limit, 0L)),
                               static_cast<size_t>(std::max(e.capacity, 0L))});
    }
    if (e.flushesInput) world.lines[e.line].toPort.clear();
    if (e.output == Expectation::Output::Written) {
        Line& line = world.lines[e.line];
        line.fromPort.insert(line.fromPort.end(), e.bytes.begin(), e.bytes.end());
        for (OpenPort& port : model.ports) port.written += port.id == e.id ? e.count : 0;
    }
    return true;
}

void dropReadAhead(const OpenPort& port) {
    auto& q = world.lines[port.line].toPort;
    q.erase(q.begin(), q.begin() + static_cast<long>(port.held));
}

bool isModuleError(const std::string& identifier, const std::string& message) {
    auto is = [&](const char* id, const std::string& text) {
        return identifier == id && message == text;
    };
    for (const auto& error : kModuleErrors) {
        if (is(error[0], error[1])) return true;
    }
    for (const Mode& mode : kModeTable) {
        if (mode.minInputs > 0 && is(mode.identifier, countError(mode))) return true;
        if (mode.notOpen != nullptr && is(mode.identifier, mode.notOpen)) return true;
    }
    for (const char* id : {kOpenId, kSetId}) {
        for (const char* field : kCheckedFields) {
            if (is(id, "Invalid " + std::string(field) + " in input to " + modeName(id) + "."))
                return true;
        }
        if (is(id, "Error Setting Comm State.") || is(id, "Error Setting Comm Timeouts."))
            return true;
    }
    return false;
}

std::string describe(const mxArray* value) {
    if (value == nullptr) return "(none)";
    static const char* const classNames[] = {
        "unknown", "cell",  "struct", "logical", "char",   "void",  "double", "single",  "int8",
        "uint8",   "int16", "uint16", "int32",   "uint32", "int64", "uint64", "function"};
    mxClassID classId = mxGetClassID(value);
    std::string text = std::to_string(thRows(value)) + "x" + std::to_string(thCols(value)) + " " +
                       (classId <= mxFUNCTION_CLASS ? classNames[classId] : "?");
    if (classId == mxUNKNOWN_CLASS)
        text += mxIsClass(value, "string") ? " (a string)" : " (an object)";
    if (mxIsSparse(value)) text += " sparse";
    if (mxIsComplex(value)) text += " complex";
    if (classId == mxCHAR_CLASS || isText(value)) {
        std::string shown;
        for (unsigned char c : hostText(value)) {
            if (c >= 32 && c < 127) {
                shown += static_cast<char>(c);
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
                shown += escaped;
            }
        }
        if (shown.size() > 120) shown = shown.substr(0, 120) + "...";
        text += " '" + shown + "'";
    } else if (classId == mxSTRUCT_CLASS) {
        text += " {";
        for (const char* name : {"PortName", "BaudRate", "Parity", "StopBits", "DataBits",
                                 "ReadTimeout", "WriteTimeout", "ReadIntervalTimeout", "DTR", "RTS",
                                 "FlowControl", "InputBufferSize"}) {
            if (mxGetNumberOfElements(value) == 0) break;
            const mxArray* field = mxGetField_700(value, 0, name);
            if (field != nullptr) text += std::string(name) + ": " + describe(field) + "; ";
        }
        text += "}";
    } else if (!std::isnan(hostDouble(value))) {
        char number[40];
        std::snprintf(number, sizeof number, " first %.17g", hostDouble(value));
        text += number;
    }
    return text;
}
