// comopen through the loaded module.
#include "port_fixture.h"

#if !defined(_WIN32)
#include "ioctl_spy.h"
#include "termios_spy.h"
#include "tty_class.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <termios.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>

namespace {

const char* const openId = "QUENTAROX:brindlecast:comopen";

int32_t signedByteSum(const std::string& text) {
    int32_t sum = 0;
    for (char byte : text) sum += static_cast<int8_t>(byte);
    return sum;
}

class ComOpenTest : public PortTest {
protected:
#if !defined(_WIN32)
    // What the module last asked tcsetattr for on this line. Data size and
    // parity-enable can only be checked here: the pty does not keep them.
    static termios requested(const TestLine& serial) {
        termios settings{};
        EXPECT_TRUE(spyLastTermios(moduleDescriptor(serial), &settings));
        return settings;
    }
#endif
};

TEST_F(ComOpenTest, ReturnsTheNamesFileIdAndReplacesAnEarlierPortWithThatId) {
    TestLine& ab = line("ab");
    TestLine& ba = line("ba");  // same bytes, same sum, same FileID
    double id = open(ab);
    EXPECT_EQ(id, signedByteSum(ab.port));
#if !defined(_WIN32)
    int held = countOpenDescriptors();
#endif
    int heldOnLine = portDescriptors(ab);
    EXPECT_GT(heldOnLine, 0);

    EXPECT_EQ(open(ab), id);
#if !defined(_WIN32)
    EXPECT_EQ(countOpenDescriptors(), held) << "the first handle was not closed";
#endif
    EXPECT_EQ(portDescriptors(ab), heldOnLine) << "the first handle was not closed";

    EXPECT_EQ(open(ba), id);
    EXPECT_TRUE(free(ab));
    EXPECT_FALSE(free(ba));
    EXPECT_EQ(thPersistentBlocks(), 1u) << "one registry entry";
    EXPECT_EQ(thLiveBlocks(), 1u);
}

TEST_F(ComOpenTest, EveryRefusalCarriesItsMessageAndLeaksNothing) {
    TestLine& serial = line("port");
    mxArray* noElements = keep(thCreateStruct(0, 1, {"PortName"}));
    struct {
        const char* what;
        std::vector<const mxArray*> arguments;
        int failingAllocation;
        const char* identifier;
        const char* message;
    } cases[] = {
        {"three inputs",
         {port({field("PortName", serial.port)}), number(1)},
         0,
         openId,
         "Invalid number of inputs to COMOPEN."},
        {"text, not a struct",
         {text(serial.port)},
         0,
         openId,
         "The first input to COMOPEN must be a valid QUENTAROX object."},
        {"no PortName",
         {port({field("BaudRate", 9600)})},
         0,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"empty PortName",
         {port({field("PortName", "")})},
         0,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"numeric PortName",
         {port({field("PortName", 42)})},
         0,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"struct with no elements",
         {noElements},
         0,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"name summing to 0",
         {port({field("PortName", "A\xbf")})},
         0,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"name text not made",
         {port({field("PortName", serial.port)})},
         2,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"no such device",
         {port({field("PortName", lines.missingPort())})},
         0,
         openId,
         "Cannot open com port."},
        {"device path not made",
         {port({field("PortName", serial.port)})},
         3,
         openId,
         "Cannot open com port."},
        {"not a serial device",
         {port({field("PortName", nonSerialDevice())})},
         0,
         openId,
         "Error Setting Comm State."},
        {"9 data bits",
         {port({field("PortName", serial.port), field("DataBits", 9)})},
         0,
         openId,
         "Error Setting Comm State."},
        {"entry not made",
         {port({field("PortName", serial.port)})},
         4,
         "",
         "Out of memory in MEX-file"},
    };
#if !defined(_WIN32)
    int descriptors = countOpenDescriptors();
#endif
    for (const auto& c : cases) {
        std::vector<const mxArray*> inputs{text("comopen")};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        thFailAllocation(c.failingAllocation);
        ThCallResult result = thCall(module, 1, inputs);
        thFailAllocation(0);
        EXPECT_TRUE(failedWith(result, c.identifier, c.message)) << c.what;
#if !defined(_WIN32)
        EXPECT_EQ(countOpenDescriptors(), descriptors) << c.what;
#endif
        EXPECT_TRUE(free(serial)) << c.what;
        EXPECT_EQ(thLiveBlocks(), 0u) << c.what;
    }
    // A NaN rate is a BaudRate of 0, which Windows refuses as the POSIX layer
    // does. Wine takes it: the port opens at speed 0.
    ThCallResult nanRate =
        call("comopen", {port({field("PortName", serial.port), field("BaudRate", NAN)})});
#if defined(_WIN32)
    ASSERT_FALSE(nanRate.failed) << nanRate.message;
    EXPECT_EQ(kept(serial).baudRate, 0u);
    EXPECT_FALSE(call("comclose", {nanRate.outputs[0]}).failed);
#else
    EXPECT_TRUE(failedWith(nanRate, openId, "Error Setting Comm State."));
    EXPECT_EQ(countOpenDescriptors(), descriptors);
    EXPECT_EQ(thLiveBlocks(), 0u);
    EXPECT_TRUE(failedWith(  // a speed no line runs
        call("comopen", {port({field("PortName", serial.port), field("BaudRate", -5)})}), openId,
        "Error Setting Comm State."));
    spyFailSettingNonBlocking(EIO);  // the time-outs cannot be set
    ThCallResult untimed =
        call("comopen", {port({field("PortName", serial.port), field("ReadTimeout", 1)})});
    spyIoctlReset();
    EXPECT_TRUE(failedWith(untimed, openId, "Error Setting Comm Timeouts."));
    EXPECT_EQ(countOpenDescriptors(), descriptors) << "the device was left open";
#endif
    EXPECT_TRUE(free(serial));
}

// A failed open under an id that was in use leaves no port with that id: the
// earlier one was closed before the new device was tried.
TEST_F(ComOpenTest, AFailedReopenLeavesNoPortWithThatId) {
    TestLine& ab = line("ab");
    TestLine& ba = line("ba");
    double id = open(ab);
    ThCallResult result =
        call("comopen", {port({field("PortName", ba.port), field("DataBits", 9)})});
    EXPECT_TRUE(failedWith(result, openId, "Error Setting Comm State."));
    EXPECT_TRUE(free(ab));
    EXPECT_TRUE(failedWith(call("comclose", {number(id)}), "QUENTAROX:brindlecast:comclose",
                           "Cannot close the port."));
    EXPECT_EQ(thPersistentBlocks(), 0u);
}

TEST_F(ComOpenTest, AHeldDeviceUnderAnotherName) {
    TestLine& first = line("first");
    std::string second = alias(first, "second");
    double id = open(first);
    ThCallResult again = call("comopen", {port({field("PortName", second)})});
#if defined(_WIN32)
    // Wine lets a second handle open a COM port that one already holds, where
    // Windows refuses (as the POSIX layer does): the other name opens a port
    // of its own on the same device.
    ASSERT_FALSE(again.failed) << again.message;
    double secondId = mxGetScalar(again.outputs[0]);
    EXPECT_EQ(secondId, signedByteSum(second));
    EXPECT_NE(secondId, id);
    uint8_t other = 0x33;
    ThCallResult viaSecond =
        call("comwrite", {number(secondId), numeric(mxUINT8_CLASS, 1, &other), number(1)});
    ASSERT_FALSE(viaSecond.failed) << viaSecond.message;
    EXPECT_EQ(arrived(first), std::vector<uint8_t>{0x33});
#else
    EXPECT_TRUE(failedWith(again, openId, "Cannot open com port."));
#endif
    uint8_t byte = 0x5a;
    ThCallResult written =
        call("comwrite", {number(id), numeric(mxUINT8_CLASS, 1, &byte), number(1)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(farRead(first, 1, 1000), std::vector<uint8_t>{0x5a});
}

TEST_F(ComOpenTest, AppliesTheLineSettingsItIsGiven) {
    TestLine& serial = line("port");
    open({field("PortName", serial.port), field("BaudRate", 300.7), field("Parity", "ODD"),
          field("StopBits", 2), field("DataBits", 7)});
#if !defined(_WIN32)
    termios asked = requested(serial);
    EXPECT_EQ(asked.c_cflag & CSIZE, tcflag_t{CS7});
    EXPECT_TRUE(asked.c_cflag & PARENB);
    EXPECT_EQ(asked.c_lflag & (ICANON | ECHO), 0u) << "not raw";
#endif
    LineSettings line = kept(serial);
    EXPECT_EQ(line.baudRate, 300u);
    EXPECT_TRUE(line.twoStopBits);
    EXPECT_TRUE(line.oddParity);
    EXPECT_FALSE(line.stickParity);

    // Only a name: every setting stays as it was (the pty itself forced CS8
    // and dropped PARENB, which is what the port now has).
#if defined(_WIN32)
    // Wine's GetCommState rebuilds the parity from PARENB and leaves it
    // undefined for PARODD or CMSPAR without PARENB, which is what a pty keeps
    // of odd, mark and space; a name alone would hand SetCommState that
    // undefined parity, which it mostly refuses. So under Wine the parity
    // goes back to none first.
    open({field("PortName", serial.port), field("Parity", "none")});
#endif
    open({field("PortName", serial.port)});
    line = kept(serial);
    EXPECT_EQ(line.baudRate, 300u);
    EXPECT_TRUE(line.twoStopBits);
#if !defined(_WIN32)
    EXPECT_TRUE(line.oddParity);
#endif

    // MATLAB strings in double quotes: the mode word and the text fields.
    ThCallResult viaStrings = call(
        1, {string("comopen"), port({stringField("PortName", serial.port),
                                     stringField("Parity", "mark"), field("BaudRate", 1200)})});
    ASSERT_FALSE(viaStrings.failed) << viaStrings.message;
    EXPECT_EQ(kept(serial).baudRate, 1200u);
    EXPECT_TRUE(kept(serial).stickParity);
}

// comlist names what is there now, sorted; under Wine that is the COM ports
// the runner mapped (and COM1, Wine's /dev/ttyS0, never opened here). A second
// output gives each port's device in the same order, every field in every
// element.
TEST_F(ComOpenTest, ComlistNamesThePortsThere) {
    ThCallResult listed = call(1, {text("comlist")});
    ASSERT_FALSE(listed.failed) << listed.message;
    EXPECT_EQ(thRows(listed.outputs[0]), 1u);
    std::vector<std::string> names = texts(listed.outputs[0]);
    ThCallResult both = call(2, {text("comlist")});
    ASSERT_FALSE(both.failed) << both.message;
    EXPECT_EQ(texts(both.outputs[0]), names);
    const mxArray* ports = both.outputs[1];
    ASSERT_TRUE(mxIsStruct(ports) && thRows(ports) == 1 && thCols(ports) == names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        std::vector<std::string> fields = portRecord(ports, i);
#if defined(_WIN32)
        // The runner recorded one port as an FT232R; the others have no record.
        std::string row;
        for (const std::string& field : fields) row += field + "|";
        EXPECT_EQ(row, names[i] == recordedPort()
                           ? names[i] + "|usb|A50285BI|FTDI|||Port_#0002.Hub_#0003|" +
                                 "USB Serial Port (" + names[i] + ")|1027|24577|"
                           : names[i] + "|native||||||" + names[i] + "|-|-|");
#else
        EXPECT_TRUE(std::count(fields.begin(), fields.end(), "?") == 0 && fields[0] == names[i] &&
                    !fields[7].empty())
            << names[i];
#endif
    }
#if defined(_WIN32)
    TestLine& serial = line("list");
    for (size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(names[i].compare(0, 3, "COM"), 0) << names[i];
        EXPECT_TRUE(i == 0 || std::stol(names[i - 1].substr(3)) < std::stol(names[i].substr(3)))
            << names[i] << " out of order";
    }
    for (const std::string& name : {serial.port, serial.alias, serial.farPort}) {
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
        ThCallResult opened = call("comopen", {port({field("PortName", name)})});
        EXPECT_FALSE(opened.failed) << name << ": " << opened.message;
    }
#else
    // What /sys/class/tty says; ttyS0 may be the console, so nothing is opened.
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, ttyClassPorts());
#endif
}

// A usb: name opens the one port of that device, under the name's own FileID,
// and one that matches no present port is refused (tests/octave/identity
// shows, on a sysfs tree of its own, that such a refusal closes nothing).
TEST_F(ComOpenTest, UsbNamesOpenTheirDeviceOrNothing) {
    EXPECT_TRUE(failedWith(call("comopen", {port({field("PortName", "usb:ffff:fffe")})}), openId,
                           "No port matches PortName in input to COMOPEN."));
#if defined(_WIN32)
    TestLine& recorded = recordedLine();
    std::string name = "Usb:0403:6001:A50285BI";
    EXPECT_EQ(open({field("PortName", name)}), signedByteSum(name));
    const uint8_t hi[2] = {'h', 'i'};
    ThCallResult written =
        call("comwrite", {number(signedByteSum(name)), numeric(mxUINT8_CLASS, 2, hi), number(2)});
    EXPECT_FALSE(written.failed) << written.message;
    EXPECT_EQ(farRead(recorded, 2, 2000), (std::vector<uint8_t>{'h', 'i'}));
#endif
}

TEST_F(ComOpenTest, ParityWordsInAnyCaseAndNothingElse) {
    TestLine& serial = line("port");
    struct {
        const char* word;
        bool enabled, odd, stick;
    } words[] = {
        {"even", true, false, false},
        {"ODD", true, true, false},
        {"Mark", true, true, true},
        {"sPaCe", true, false, true},
        {"MARK", true, true, true},
        {"SPACE", true, false, true},
#if defined(_WIN32)
        // Wine's no parity clears the stick bit as well.
        {"none", false, false, false},
        {"odd ", false, false, false},
        {"parity", false, false, false},
        {"", false, false, false},
#else
        {"none", false, false, true},  // none keeps the stick bit
        {"odd ", false, false, true},
        {"parity", false, false, true},
        {"", false, false, true},
#endif
    };
    for (const auto& w : words) {
        open({field("PortName", serial.port), field("Parity", w.word)});
#if !defined(_WIN32)
        EXPECT_EQ(bool(requested(serial).c_cflag & PARENB), w.enabled) << w.word;
#endif
        LineSettings line = kept(serial);
        EXPECT_EQ(line.oddParity, w.odd) << w.word;
        EXPECT_EQ(line.stickParity, w.stick) << w.word;
    }
    // A Parity that is not text leaves the parity alone.
#if defined(_WIN32)
    // Under Wine only no parity reads back from a pty (see AppliesTheLineSettingsItIsGiven):
    // 1, Windows' number for odd, must not make it odd.
    open({field("PortName", serial.port), field("Parity", 1)});
    EXPECT_FALSE(kept(serial).oddParity);
#else
    open({field("PortName", serial.port), field("Parity", "mark")});
    open({field("PortName", serial.port), field("Parity", 2)});
    EXPECT_TRUE(kept(serial).oddParity);
    EXPECT_TRUE(kept(serial).stickParity);
#endif
}

TEST_F(ComOpenTest, StopBitsAndDataBits) {
    TestLine& serial = line("port");
#if defined(_WIN32)
    // Under Wine a change of the data size alone fails: the pty keeps none of
    // it, tcsetattr reports EINVAL for that, and Wine passes it on.
    const unsigned sizeAlone = 8;
#else
    const unsigned sizeAlone = 7;
#endif
    struct {
        double stopBits, dataBits;
        bool twoStopBits;
        unsigned size;
    } cases[] = {
        {2, 8, true, 8},   {1, 6, false, 6},   {1.5, 5, true, 5},
        {2, 8, true, 8},   {1.25, 8, true, 8}, {3, double(sizeAlone), true, sizeAlone},
        {NAN, 8, true, 8}, {1, 8.9, false, 8},
    };
    for (const auto& c : cases) {
        open({field("PortName", serial.port), field("StopBits", c.stopBits),
              field("DataBits", c.dataBits)});
#if !defined(_WIN32)
        const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        termios asked = requested(serial);
        EXPECT_EQ(bool(asked.c_cflag & CSTOPB), c.twoStopBits) << c.stopBits;
        EXPECT_EQ(asked.c_cflag & CSIZE, sizes[c.size - 5]) << c.dataBits;
#endif
        EXPECT_EQ(kept(serial).twoStopBits, c.twoStopBits) << c.stopBits;
    }
    ThCallResult oneAndAHalf = call(
        "comopen",
        {port({field("PortName", serial.port), field("StopBits", 1.5), field("DataBits", 8)})});
#if defined(_WIN32)
    // Windows refuses 1.5 stop bits with 8 data bits; Wine sets two.
    EXPECT_FALSE(oneAndAHalf.failed) << oneAndAHalf.message;
    EXPECT_TRUE(kept(serial).twoStopBits);
#else
    EXPECT_TRUE(failedWith(oneAndAHalf, openId, "Error Setting Comm State."));
#endif
}

// A number field that holds no number never reaches the host's mxGetScalar,
// whose error would end the call with the device open and locked: it reads
// as NaN, a rate or size of 0 that the open refuses, stop bits left alone.
TEST_F(ComOpenTest, NumberFieldsWithNoNumberInThem) {
    TestLine& serial = line("port");
    double twoStopBits = open({field("PortName", serial.port), field("StopBits", 2)});
    ASSERT_FALSE(call("comclose", {number(twoStopBits)}).failed);
    using Maker = mxArray* (*)();
    const Maker values[] = {
        [] { return thCreateNumeric(mxDOUBLE_CLASS, 0, 0, nullptr); },
        [] { return thCreateCell(0, 0); },
        [] {
            mxArray* cell = thCreateCell(1, 1);
            thSetCell(cell, 0, thCreateDouble(1));
            return cell;
        },
        [] { return thCreateStruct(1, 1, {}); },
        [] { return thCreateNumeric(mxUINT8_CLASS, 1, 0, nullptr); },
        [] { return thCreateFunctionHandle(); },
    };
#if !defined(_WIN32)
    int descriptors = countOpenDescriptors();
#endif
    for (const char* name : {"BaudRate", "StopBits", "DataBits"}) {
        for (size_t v = 0; v < sizeof values / sizeof values[0]; ++v) {
            ThCallResult result =
                call("comopen", {port({field("PortName", serial.port), {name, values[v]()}})});
            std::string what = std::string(name) + " value " + std::to_string(v);
            bool opens = std::string(name) == "StopBits";
#if defined(_WIN32)
            opens = opens || std::string(name) == "BaudRate";  // Wine takes a rate of 0
#endif
            if (opens) {
                ASSERT_FALSE(result.failed) << what << ": " << result.message;
                EXPECT_TRUE(kept(serial).twoStopBits) << what;
                EXPECT_FALSE(call("comclose", {result.outputs[0]}).failed) << what;
                continue;
            }
            EXPECT_TRUE(failedWith(result, openId, "Error Setting Comm State.")) << what;
#if !defined(_WIN32)
            EXPECT_EQ(countOpenDescriptors(), descriptors) << what;
#endif
            EXPECT_TRUE(free(serial)) << what;
            EXPECT_EQ(thLiveBlocks(), 0u) << what;
        }
    }
    EXPECT_EQ(open(serial), signedByteSum(serial.port)) << "the port does not open again";
}

// Every refused control field is refused before anything happens: the port
// that already has this FileID stays open and usable.
TEST_F(ComOpenTest, RefusedControlFieldsLeaveTheEarlierPortOpen) {
    TestLine& serial = line("port");
    double id = open(serial);
    const bool yes = true;
    const double pair[2] = {1, 0};
    auto invalid = [](const std::string& name) {
        return "Invalid " + name + " in input to COMOPEN.";
    };
    struct {
        const char* name;
        mxArray* value;
        const char* refusal;  // the field named in the message, when not name
    } cases[] = {
        {"ReadTimeout", thCreateNumeric(mxLOGICAL_CLASS, 1, 1, &yes), nullptr},
        {"ReadTimeout", thCreateNumeric(mxDOUBLE_CLASS, 1, 2, pair), nullptr},
        {"ReadTimeout", thCreateString("1"), nullptr},
        {"ReadTimeout", thCreateDouble(NAN), nullptr},
        {"ReadTimeout", thCreateDouble(-1), nullptr},
        {"ReadTimeout", thCreateComplexDouble(1, 1), nullptr},
        {"ReadTimeout", thCreateSparseDouble(1, 1), nullptr},
        {"ReadTimeout", thCreateCell(1, 1), nullptr},
        {"WriteTimeout", thCreateDouble(0), nullptr},
        {"WriteTimeout", thCreateDouble(-INFINITY), nullptr},
        {"WriteTimeout", thCreateNumeric(mxDOUBLE_CLASS, 0, 0, nullptr), nullptr},
        {"ReadIntervalTimeout", thCreateDouble(0), nullptr},
        {"ReadIntervalTimeout", thCreateString("1"), nullptr},
        {"DTR", thCreateDouble(NAN), nullptr},
        {"DTR", thCreateNumeric(mxDOUBLE_CLASS, 1, 2, pair), nullptr},
        {"DTR", thCreateString("on"), nullptr},
        {"RTS", thCreateComplexDouble(1, 0), nullptr},
        {"RTS", thCreateFunctionHandle(), nullptr},
        {"FlowControl", thCreateString("xon"), nullptr},
        {"FlowControl", thCreateString("hardware "), nullptr},
        {"FlowControl", thCreateDouble(1), nullptr},
        {"FlowControl", thCreateStringArray(1, 2, {"none", "none"}), nullptr},
        {"FlowControl", thCreateString("Hardware"), "RTS"},  // with an RTS field
        {"InputBufferSize", thCreateDouble(4095), nullptr},
        {"InputBufferSize", thCreateDouble(268435457), nullptr},  // 2^28 + 1
        {"InputBufferSize", thCreateDouble(65536.5), nullptr},
        {"InputBufferSize", thCreateNumeric(mxLOGICAL_CLASS, 1, 1, &yes), nullptr},
    };
    int row = 0;
    for (auto& c : cases) {
        std::vector<PortField> fields{field("PortName", serial.port), {c.name, c.value}};
        if (c.refusal != nullptr) fields.push_back(field("RTS", 0));
        mxArray* description = port(fields);
        std::string what = std::string(c.name) + ", row " + std::to_string(row++);
        EXPECT_TRUE(failedWith(call("comopen", {description}), openId,
                               invalid(c.refusal != nullptr ? c.refusal : c.name)))
            << what;
        EXPECT_FALSE(free(serial)) << what;
        ThCallResult still = call("comcount", {number(id)});
        EXPECT_FALSE(still.failed) << what << ": " << still.message;
        EXPECT_EQ(thLiveBlocks(), 1u) << what;
    }
}

// DTR and RTS as the fields say (lowered when absent), and each flow-control
// word's line flags, in what the port keeps.
TEST_F(ComOpenTest, ModemLinesAndFlowControl) {
    TestLine& serial = line("port");
    const int dtr = 0x002;  // TIOCM_DTR and TIOCM_RTS; a pty shows them only to the spy
    const int rts = 0x004;
#if !defined(_WIN32)
    static_assert(dtr == TIOCM_DTR && rts == TIOCM_RTS, "modem line bits");
#endif
    struct {
        std::vector<std::pair<std::string, double>> levels;
        const char* flow;  // nullptr: no FlowControl field
        int raised, dropped;
        bool rtsCts, xon;
        bool timed = false;  // a time-out field given: only then are time-outs set
    } cases[] = {
        {{}, nullptr, 0, dtr | rts, false, false},
        {{{"DTR", 1}}, nullptr, dtr, rts, false, false},
        {{{"RTS", -2}, {"DTR", 0}}, "none", rts, dtr, false, false},
        {{{"DTR", 1}}, "HARDWARE", dtr, 0, true, false},
        {{}, nullptr, 0, dtr | rts, true, false},  // flow control stays
        {{}, "Software", 0, dtr | rts, false, true},
        {{}, nullptr, 0, dtr | rts, false, true},
        {{}, "none", 0, dtr | rts, false, false},
        {{{"ReadTimeout", 0.5}}, nullptr, 0, dtr | rts, false, false, true},
    };
    for (const auto& c : cases) {
        std::vector<PortField> fields{field("PortName", serial.port)};
        if (c.flow != nullptr) fields.push_back(field("FlowControl", c.flow));
        for (const auto& level : c.levels) fields.push_back(field(level.first, level.second));
#if !defined(_WIN32)
        spyIoctlReset();
#endif
        ThCallResult result = call("comopen", {port(fields)});
        ASSERT_FALSE(result.failed) << result.message;
#if !defined(_WIN32)
        int fd = moduleDescriptor(serial);
        EXPECT_EQ(spyModemLinesRaised(fd) & (dtr | rts), c.raised) << c.flow;
        EXPECT_EQ(spyModemLinesDropped(fd) & (dtr | rts), c.dropped) << c.flow;
        // The layer keeps a port with time-outs non-blocking; one without is
        // left exactly as before.
        EXPECT_EQ((fcntl(fd, F_GETFL) & O_NONBLOCK) != 0, c.timed) << c.flow;
#endif
        LineSettings kept = PortTest::kept(serial);
        EXPECT_EQ(kept.rtsCts, c.rtsCts) << (c.flow ? c.flow : "no FlowControl");
        EXPECT_EQ(kept.xonOutput, c.xon) << (c.flow ? c.flow : "no FlowControl");
        EXPECT_EQ(kept.xonInput, c.xon) << (c.flow ? c.flow : "no FlowControl");
    }
}

}  // namespace
