#include "fuzz_values.h"

#include "fuzz_model.h"
#include "fuzz_world.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const double kSpecials[] = {
    0.0,
    1.0,
    -1.0,
    0.5,
    -0.5,
    1.5,
    2.0,
    5.0,
    8.0,
    255.0,
    256.0,
    9600.0,
    115200.0,
    -0.0,
    NAN,
    INFINITY,
    -INFINITY,
    1e300,
    -1e300,
    2147483647.0,
    2147483648.0,
    -2147483648.0,
    -2147483649.0,
    4294967295.0,
    4294967296.0,
    4294967299.0,
    9.3e18,
    -9.3e18,
    9007199254740993.0,
    4.9e-324,
    1.4999999999999998,
    65536.0,
};

const mxClassID kNumericClasses[] = {
    mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,  mxUINT8_CLASS,  mxINT16_CLASS,   mxUINT16_CLASS,
    mxINT32_CLASS,  mxUINT32_CLASS, mxINT64_CLASS, mxUINT64_CLASS, mxLOGICAL_CLASS,
};

const char* const kModeWords[] = {
    "comopen", "comclose", "comwrite",    "comread",    "COMOPEN",          "ComRead",  "comopen ",
    "comope",  "comreadx", " comclose",   "comwrit",    "comclosecomclose", "c",        "",
    "version", "comlist",  "comreadline", "comreadlin", "ComReadLine",      "comdrain", "comerrors",
};

const char* const kParityWords[] = {
    "none", "odd",  "even",  "mark", "space", "NONE", "Odd",
    "EvEn", "MARK", "Space", "non",  "nonee", "",
};

const double kRates[] = {
    9600, 115200, 50,    38400, 4000000, 57, 1234567, 0, -1, 4294967295.0, 4294967296.0 + 9600,
    1e10, NAN,    9600.9};
const double kStopBits[] = {1, 1.5, 2, 0, 3, NAN, 1.4999999999999998, -1};
const double kDataBits[] = {8, 7, 6, 5, 4, 9, 0, -1, 264, 261, NAN, 7.9};

const char* const kFieldNames[] = {"PortName",
                                   "BaudRate",
                                   "Parity",
                                   "StopBits",
                                   "DataBits",
                                   "portname",
                                   "PortNam",
                                   "PortName ",
                                   "Timeout",
                                   "Terminator",
                                   "ReadTimeout",
                                   "WriteTimeout",
                                   "DTR",
                                   "RTS",
                                   "FlowControl",
                                   "readtimeout",
                                   "ReadIntervalTimeout",
                                   "InputBufferSize"};

// Time-outs a read may wait out are kept to a few milliseconds; the model
// asks longer ones only for bytes already there.
const double kTimeouts[] = {0, 1e-9, 0.001, 0.002, INFINITY, 1e12, 0.5, -1, NAN, -0.0, -INFINITY};
const double kLevels[] = {0, 1, -2, 0.5, NAN, INFINITY};
// InputBufferSize: none, sizes from the least to the most, and refused ones.
const double kBufferSizes[] = {0,    4096,      8192, 65536, 1 << 20, 268435456, 4095,
                               4096, 268435457, -1,   NAN,   4096.5,  1e300,     -4096};
const char* const kClassWords[] = {"double",  "single", "int8",   "uint8", "int16",  "uint16",
                                   "int32",   "uint32", "UINT16", "int64", "uint64", "char",
                                   "logical", "",       "uint8 ", "Double"};
const char* const kTextWords[] = {"char",  "CHAR", "string", "String",
                                  "chars", "",     "char ",  "uint8"};
// Element values at and past the bounds of comwrite's classes, and between.
const double kElementValues[] = {
    -0.0,        0.5,       -0.5,        127,         128,          -128,         -129,
    255,         256,       -1,          32767,       32768,        -32768,       -32769,
    65535,       65536,     2147483647., 2147483648., -2147483648., -2147483649., 4294967295.,
    4294967296., NAN,       INFINITY,    -INFINITY,   1e300,        3.4028235e38, 3.4028236e38,
    1e-45,       1.0000001, 16777217,    255.5};
const char* const kFlowWords[] = {"none",     "hardware", "software", "NONE", "Hardware",
                                  "SoftWare", "xon",      "hard",     "",     "none "};
const char* const kBufferWords[] = {"input", "output", "both",   "INPUT", "Output",
                                    "BOTH",  "in",     "inputs", "",      "both "};

template <typename T, size_t N>
const T& choose(FuzzInput& in, const T (&table)[N]) {
    return table[pick(in, N)];
}

size_t classBytes(mxClassID classId) {
    switch (classId) {
        case mxDOUBLE_CLASS:
        case mxINT64_CLASS:
        case mxUINT64_CLASS: return 8;
        case mxSINGLE_CLASS:
        case mxINT32_CLASS:
        case mxUINT32_CLASS: return 4;
        case mxINT16_CLASS:
        case mxUINT16_CLASS: return 2;
        default: return 1;
    }
}

std::vector<uint16_t> unitsOf(const std::string& bytes) {
    std::vector<uint16_t> units;
    for (char byte : bytes) units.push_back(static_cast<unsigned char>(byte));
    return units;
}

// 1-by-N, N-by-1, 2-by-N/2 (units in column order) or, for no text, 0-by-0,
// 1-by-0 or 0-by-1. The host reads the units in storage order in every shape.
// Some shapes give a MATLAB string of the same bytes instead, 1-by-1 or 1-by-2.
mxArray* charArray(const std::vector<uint16_t>& units, size_t shape) {
    size_t n = units.size();
    std::string bytes(units.begin(), units.end());
    bool narrow = std::all_of(units.begin(), units.end(), [](uint16_t unit) { return unit < 256; });
    if (narrow && shape % 16 >= 14)
        return thCreateStringArray(1, shape % 16 - 13,
                                   std::vector<std::string>(shape % 16 - 13, bytes));
    if (n == 0) {
        switch (shape % 3) {
            case 1: return thCreateCharMatrix(1, 0, units);
            case 2: return thCreateCharMatrix(0, 1, units);
            default: return thCreateCharUnits(units);
        }
    }
    switch (shape % 4) {
        case 1: return thCreateCharMatrix(n, 1, units);
        case 2:
            if (n % 2 == 0) return thCreateCharMatrix(2, n / 2, units);
            return thCreateCharUnits(units);
        default: return thCreateCharUnits(units);
    }
}

// A value of any numeric class standing for number, as near as the class can.
mxArray* numberAs(mxClassID classId, double number) {
    unsigned char storage[8] = {};
    double clamped = std::isnan(number) ? 0 : number;
    auto fit = [&](double low, double high) {
        return std::trunc(clamped < low ? low : (clamped > high ? high : clamped));
    };
    switch (classId) {
        case mxSINGLE_CLASS: {
            float value = static_cast<float>(fit(-3.4e38, 3.4e38));
            if (std::isnan(number)) value = NAN;
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        case mxINT8_CLASS:
            storage[0] = static_cast<uint8_t>(static_cast<int8_t>(fit(-128, 127)));
            break;
        case mxUINT8_CLASS:
        case mxLOGICAL_CLASS: storage[0] = static_cast<uint8_t>(fit(0, 255)); break;
        case mxINT16_CLASS: {
            int16_t value = static_cast<int16_t>(fit(-32768, 32767));
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        case mxUINT16_CLASS: {
            uint16_t value = static_cast<uint16_t>(fit(0, 65535));
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        case mxINT32_CLASS: {
            int32_t value = static_cast<int32_t>(fit(-2147483648.0, 2147483647.0));
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        case mxUINT32_CLASS: {
            uint32_t value = static_cast<uint32_t>(fit(0, 4294967295.0));
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        case mxINT64_CLASS: {
            int64_t value = static_cast<int64_t>(fit(-9.2e18, 9.2e18));
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        case mxUINT64_CLASS: {
            uint64_t value = static_cast<uint64_t>(fit(0, 1.8e19));
            std::memcpy(storage, &value, sizeof value);
            break;
        }
        default: std::memcpy(storage, &number, sizeof number); break;
    }
    return thCreateNumeric(classId, 1, 1, storage);
}

// rows-by-cols of a class, its bytes taken from the input.
mxArray* rawNumeric(FuzzInput& in, mxClassID classId, size_t rows, size_t cols) {
    std::vector<uint8_t> bytes(rows * cols * classBytes(classId));
    for (uint8_t& byte : bytes) byte = nextByte(in);
    return thCreateNumeric(classId, rows, cols, bytes.empty() ? nullptr : bytes.data());
}

// Text that starts with '?' (or a unit the host turns into '?'): whatever
// follows, no device is named that way.
mxArray* randomText(FuzzInput& in) {
    std::vector<uint16_t> units;
    uint8_t first = nextByte(in);
    units.push_back(first < 128 ? '?' : static_cast<uint16_t>(0x100 + first));
    size_t length = pick(in, 17);
    for (size_t i = 0; i < length; ++i) {
        uint8_t byte = nextByte(in);
        units.push_back(byte >= 0xf0 ? static_cast<uint16_t>(0x2000 + byte) : byte);
    }
    return charArray(units, nextByte(in));
}

std::string folderPrefix() {
    return world.folder + "/";
}

// A name of this folder whose bytes sum to 0: refused before it is opened, and
// inside the folder even if it were not.
std::string zeroSumName() {
    std::string name = folderPrefix() + "z";
    int32_t sum = fileIdOf(name);
    while (sum >= 128) {
        name += static_cast<char>(0x80);
        sum -= 128;
    }
    if (sum > 0) name += static_cast<char>(256 - sum);
    return name;
}

std::vector<uint16_t> portNameUnits(FuzzInput& in) {
    switch (pick(in, 8)) {
        case 5: {
            // Any bytes after the folder but '/' and '.': it stays the folder's.
            // A 0 ends the name the module sees; units past 255 read as '?'.
            std::vector<uint16_t> units = unitsOf(folderPrefix());
            size_t length = 1 + pick(in, 12);
            for (size_t i = 0; i < length; ++i) {
                uint8_t byte = nextByte(in);
                if (byte == '/' || byte == '.') byte = '_';
                units.push_back(byte >= 1 && byte <= 7 ? static_cast<uint16_t>(0x100 + byte)
                                                       : byte);
            }
            return units;
        }
        case 6: return unitsOf(folderPrefix() + std::string(nextByte(in) * 20u + 1, 'L'));
        case 7:
            switch (pick(in, 3)) {
                case 0: return {};
                case 1: return {0, 'C', 'O', 'M', '1'};  // "" to the module
                default: return unitsOf(zeroSumName());
            }
        default: {
            const FolderEntry& entry = kFolderEntries[pick(in, kFolderEntryCount)];
            return unitsOf(entryPath(entry));
        }
    }
}

// A PortName of the wrong kind: never characters.
mxArray* wrongPortName(FuzzInput& in, int depth) {
    switch (pick(in, 6)) {
        case 0: return thCreateDouble(choose(in, kSpecials));
        case 1: return thCreateNumeric(mxDOUBLE_CLASS, 0, 0, nullptr);
        case 2: {
            std::string name = entryPath(kFolderEntries[pick(in, kFolderEntryCount)]);
            return thCreateNumeric(mxUINT8_CLASS, 1, name.size(), name.data());
        }
        case 3:
            if (depth < 2) return portDescription(in, depth + 1);
            return thCreateDouble(1);
        case 4: {
            mxArray* cell = thCreateCell(1, 1);
            thSetCell(cell, 0, portNameValue(in));
            return cell;
        }
        default: return thCreateNumeric(mxLOGICAL_CLASS, 1, 1, nullptr);
    }
}

mxArray* fieldValue(FuzzInput& in, const std::string& name, int depth) {
    uint8_t choice = nextByte(in);
    if (name == "PortName") {
        if (choice % 8 < 6) return portNameValue(in);
        return choice % 8 == 6 ? wrongPortName(in, depth) : nullptr;
    }
    if (choice % 4 == 3) return choice % 8 == 7 ? nullptr : anyValue(in, depth + 1);
    if (name == "BaudRate") return thCreateDouble(choose(in, kRates));
    if (name == "StopBits") return thCreateDouble(choose(in, kStopBits));
    if (name == "DataBits") return thCreateDouble(choose(in, kDataBits));
    if (name == "Parity") return charArray(unitsOf(choose(in, kParityWords)), choice >> 2);
    if (name == "ReadTimeout" || name == "WriteTimeout" || name == "ReadIntervalTimeout") {
        double seconds = choose(in, kTimeouts);
        return choice % 8 == 2 ? numberAs(choose(in, kNumericClasses), seconds)
                               : thCreateDouble(seconds);
    }
    if (name == "DTR" || name == "RTS") {
        double level = choose(in, kLevels);
        return choice % 8 == 2 ? numberAs(choose(in, kNumericClasses), level)
                               : thCreateDouble(level);
    }
    if (name == "FlowControl") return charArray(unitsOf(choose(in, kFlowWords)), choice >> 2);
    if (name == "InputBufferSize") {
        double bytes = choose(in, kBufferSizes);
        if (choice % 8 == 2) return numberAs(choose(in, kNumericClasses), bytes);
        if (choice % 8 != 6) return thCreateDouble(bytes);
        switch (choice / 8 % 3) {  // a size the module refuses for its kind
            case 0: return thCreateComplexDouble(bytes, 0);
            case 1: return thCreateNumeric(mxDOUBLE_CLASS, 0, 0, nullptr);
            default: return charArray(unitsOf("4096"), 0);
        }
    }
    return anyValue(in, depth + 1);
}

}  // namespace

int32_t fileIdOf(const std::string& name) {
    int64_t sum = 0;
    for (char byte : name) {
        if (byte == '\0') break;
        sum += static_cast<int8_t>(byte);
    }
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(sum)));
}

mxArray* textArray(const std::string& text) {
    return thCreateString(text);
}

mxArray* modeValue(FuzzInput& in, int depth) {
    uint8_t choice = nextByte(in);
    switch (choice % 16) {
        case 10: return charArray({'c', 'o', 'm', 'w', 'r', 'i', 't', 'e', 0}, 0);  // "comwrite"
        case 11: return charArray({'c', 'o', 'm', 'r', 0x165, 'a', 'd'}, 0);        // "comr?ad"
        case 12: return randomText(in);
        case 13: return anyValue(in, depth + 1);
        default: {
            const char* word = kModeWords[pick(in, sizeof kModeWords / sizeof kModeWords[0])];
            if (choice % 16 < 6) word = kModeWords[choice % 4];
            return charArray(unitsOf(word), nextByte(in));
        }
    }
}

mxArray* portNameValue(FuzzInput& in) {
    std::vector<uint16_t> units = portNameUnits(in);
    return charArray(units, nextByte(in));
}

mxArray* portDescription(FuzzInput& in, int depth) {
    size_t rows = 1;
    size_t cols = 1;
    switch (pick(in, 8)) {
        case 1: rows = 0, cols = 0; break;
        case 2: cols = 0; break;
        case 3: rows = 0, cols = 3; break;
        case 4: cols = 2 + pick(in, 7); break;
        case 5: rows = 1 + pick(in, 8), cols = 1 + pick(in, 8); break;
        default: break;
    }
    std::vector<std::string> names;
    uint8_t fields = nextByte(in);
    if (fields < 128) {
        names.push_back("PortName");
        const char* const lineFields[] = {"BaudRate", "Parity", "StopBits", "DataBits"};
        for (int bit = 0; bit < 4; ++bit) {
            if (fields & (1 << bit)) names.push_back(lineFields[bit]);
        }
        if (fields & 0x20)
            names.insert(names.end(), {"ReadTimeout", "WriteTimeout", "ReadIntervalTimeout"});
        if (fields & 0x40)
            names.insert(names.end(), {"DTR", "RTS", "FlowControl", "InputBufferSize"});
        if (fields & 0x10) std::swap(names.front(), names.back());
    } else {
        size_t count = fields % 7;
        for (size_t i = 0; i < count; ++i) {
            std::string name = choose(in, kFieldNames);
            bool seen = false;
            for (const std::string& other : names) seen = seen || other == name;
            if (!seen) names.push_back(name);
        }
    }
    mxArray* description = thCreateStruct(rows, cols, names);
    // Elements past the first few stay empty; the module reads element 0 only.
    size_t filled = rows * cols < 4 ? rows * cols : 4;
    for (size_t element = 0; element < filled; ++element) {
        for (const std::string& name : names) {
            mxArray* value = fieldValue(in, name, depth);
            if (value != nullptr) thSetField(description, element, name, value);
        }
    }
    return description;
}

mxArray* anyValue(FuzzInput& in, int depth) {
    if (depth >= 4) return thCreateDouble(choose(in, kSpecials));
    switch (pick(in, 16)) {
        case 1: return thCreateDouble(rawDouble(in));
        case 2: {
            std::vector<double> values(pick(in, 6));
            for (double& value : values) value = choose(in, kSpecials);
            return thCreateDoubleRow(values);
        }
        case 3: {
            const size_t shapes[][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 3}};
            const auto& shape = choose(in, shapes);
            return thCreateNumeric(mxDOUBLE_CLASS, shape[0], shape[1], nullptr);
        }
        case 4: {
            mxClassID classId = choose(in, kNumericClasses);
            size_t rows = pick(in, 3);
            return rawNumeric(in, classId, rows, pick(in, 5));
        }
        case 5: return thCreateComplexDouble(choose(in, kSpecials), choose(in, kSpecials));
        case 6: {
            size_t rows = pick(in, 3);
            return thCreateSparseDouble(rows, pick(in, 4));
        }
        case 7:
            if (nextByte(in) % 2) return randomText(in);
            return charArray(unitsOf(choose(in, kParityWords)), nextByte(in));
        case 8: return portNameValue(in);
        case 9:
            if (depth < 2) return portDescription(in, depth + 1);
            return thCreateDouble(2);
        case 10: {
            size_t rows = pick(in, 3);
            mxArray* cell = thCreateCell(rows, pick(in, 3));
            for (size_t i = 0; i < thRows(cell) * thCols(cell); ++i) {
                if (depth < 2 && pick(in, 3) != 0) thSetCell(cell, i, anyValue(in, depth + 1));
            }
            return cell;
        }
        case 11: return idValue(in, depth + 1);
        case 12: return modeValue(in, depth + 1);
        case 13: return numberAs(mxLOGICAL_CLASS, pick(in, 2));
        case 14: return nextByte(in) % 2 ? thCreateFunctionHandle() : thCreateObject();
        default: return thCreateDouble(choose(in, kSpecials));
    }
}

mxArray* idValue(FuzzInput& in, int depth) {
    uint8_t choice = nextByte(in);
    double id = fileIdOf(entryPath(kFolderEntries[pick(in, kFolderEntryCount)]));
    if (!model.ports.empty() && choice % 10 != 4) {
        id = model.ports[pick(in, model.ports.size())].id;
    }
    switch (choice % 10) {
        case 5: {
            const double shifts[] = {0.5, 0.999, -0.5, 1, -1};
            return thCreateDouble(id + choose(in, shifts));
        }
        case 6: return thCreateDouble(-id);
        case 7: return numberAs(choose(in, kNumericClasses), id);
        case 8: {
            if (nextByte(in) % 2) return thCreateDoubleRow({id, choose(in, kSpecials)});
            return charArray({static_cast<uint16_t>(id)}, 0);
        }
        case 9: return anyValue(in, depth + 1);
        default: return thCreateDouble(id);
    }
}

mxArray* writeData(FuzzInput& in) {
    switch (pick(in, 5)) {
        case 2: return randomText(in);
        case 3: return anyValue(in, 1);
        case 4: {
            // Larger than a pty takes at once.
            size_t count = nextByte(in) * 16u;
            std::vector<uint8_t> bytes(count);
            for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + count);
            return thCreateNumeric(mxUINT8_CLASS, 1, count, bytes.empty() ? nullptr : bytes.data());
        }
        default: {
            mxClassID classId = choose(in, kNumericClasses);
            return rawNumeric(in, classId, 1, pick(in, 17));
        }
    }
}

mxArray* writeCount(FuzzInput& in, const mxArray* data) {
    double elements = static_cast<double>(mxGetNumberOfElements(data));
    switch (pick(in, 6)) {
        case 3: return thCreateDouble(pick(in, static_cast<size_t>(elements) + 2));
        case 4: return thCreateDouble(choose(in, kSpecials));
        case 5: return anyValue(in, 1);
        default: return thCreateDouble(elements);
    }
}

mxArray* readCount(FuzzInput& in) {
    switch (pick(in, 6)) {
        case 2: return thCreateDouble(4294967296.0 + pick(in, 16));
        case 3: return thCreateDouble(choose(in, kSpecials));
        case 4: return anyValue(in, 1);
        case 5: return numberAs(choose(in, kNumericClasses), pick(in, 64));
        default: return thCreateDouble(pick(in, 65));
    }
}

mxArray* readClass(FuzzInput& in) {
    uint8_t choice = nextByte(in);
    if (choice % 8 == 7) return anyValue(in, 1);
    return charArray(unitsOf(choose(in, kClassWords)), choice >> 3);
}

mxArray* typedWriteData(FuzzInput& in) {
    const mxClassID classes[] = {mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,   mxUINT8_CLASS,
                                 mxINT16_CLASS,  mxUINT16_CLASS, mxINT32_CLASS,  mxUINT32_CLASS,
                                 mxCHAR_CLASS,   mxINT64_CLASS,  mxLOGICAL_CLASS};
    const mxClassID classId = classes[pick(in, nextByte(in) < 240 ? 9 : 11)];
    std::vector<double> values(pick(in, 17));
    for (double& value : values) {
        uint8_t choice = nextByte(in);
        value = choice < 192 ? choice % 64 : choose(in, kElementValues);
    }
    if (classId == mxCHAR_CLASS) {
        std::vector<uint16_t> units;
        for (double value : values)
            units.push_back(
                static_cast<uint16_t>(std::isnan(value) ? 0 : std::min(std::fabs(value), 65535.0)));
        return thCreateCharUnits(units);
    }
    std::vector<uint8_t> bytes;
    for (double value : values) {
        // A single keeps fractions and infinities; other classes take the nearest they hold.
        uint8_t element[8];
        if (classId == mxSINGLE_CLASS) {
            float single = static_cast<float>(value);
            std::memcpy(element, &single, sizeof single);
        } else {
            mxArray* number = numberAs(classId, value);
            std::memcpy(element, mxGetData(number), classBytes(classId));
            thDestroyArray(number);
        }
        bytes.insert(bytes.end(), element, element + classBytes(classId));
    }
    return thCreateNumeric(classId, 1, values.size(), bytes.empty() ? nullptr : bytes.data());
}

mxArray* lineTextWord(FuzzInput& in) {
    uint8_t choice = nextByte(in);
    if (choice % 8 == 7) return anyValue(in, 1);
    return charArray(unitsOf(choose(in, kTextWords)), choice >> 3);
}

mxArray* flushBuffer(FuzzInput& in) {
    uint8_t choice = nextByte(in);
    if (choice % 4 == 3) return anyValue(in, 1);
    return charArray(unitsOf(choose(in, kBufferWords)), choice >> 2);
}

mxArray* lineTerminator(FuzzInput& in) {
    uint8_t choice = nextByte(in);
    std::vector<uint16_t> units(1 + pick(in, 9));  // 9 is one too many
    // Mostly LF, VT, FF and CR, so that lines end now and then in what is sent.
    for (uint16_t& unit : units) unit = choice & 0x80 ? nextByte(in) : 10 + pick(in, 4);
    std::vector<double> values(units.begin(), units.end());
    switch (choice % 8) {
        case 1: return charArray(units, choice >> 3);
        case 2: return numberAs(choose(in, kNumericClasses), values[0]);
        case 3: return anyValue(in, 1);
        case 4: values[0] += choice & 0x40 ? 0.5 : 256; return thCreateDoubleRow(values);
        default: return thCreateDoubleRow(values);
    }
}
