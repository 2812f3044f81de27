// comopen through the loaded module, on pseudo-terminals.
#include "port_fixture.h"
#include "termios_spy.h"

#include <termios.h>

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
    // The descriptor the module holds for a line: the one on its port end
    // that is not the pair's own.
    static int moduleDescriptor(const PtyPair& pair) {
        for (int fd = 0; fd < 1024; ++fd) {
            if (fd == pair.slave) continue;
            char target[256];
            std::string link = "/proc/self/fd/" + std::to_string(fd);
            ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, length) == pair.slavePath) return fd;
        }
        return -1;
    }
    // What the module last asked tcsetattr for on this line.
    static termios requested(const PtyPair& pair) {
        termios settings{};
        EXPECT_TRUE(spyLastTermios(moduleDescriptor(pair), &settings));
        return settings;
    }
    // What the pty kept.
    static termios kept(const PtyPair& pair) {
        termios settings{};
        EXPECT_EQ(tcgetattr(pair.slave, &settings), 0);
        return settings;
    }
};

TEST_F(ComOpenTest, ReturnsTheNamesFileIdAndReplacesAnEarlierPortWithThatId) {
    PtyPair& ab = line("ab");
    PtyPair& ba = line("ba");  // same bytes, same sum, same FileID
    double id = open({field("PortName", path("ab"))});
    EXPECT_EQ(id, signedByteSum(path("ab")));
    int held = countOpenDescriptors();

    EXPECT_EQ(open({field("PortName", path("ab"))}), id);
    EXPECT_EQ(countOpenDescriptors(), held) << "the first handle was not closed";

    EXPECT_EQ(open({field("PortName", path("ba"))}), id);
    EXPECT_TRUE(free(ab));
    EXPECT_FALSE(free(ba));
    EXPECT_EQ(thPersistentBlocks(), 1u) << "one registry entry";
    EXPECT_EQ(thLiveBlocks(), 1u);
}

TEST_F(ComOpenTest, EveryRefusalCarriesItsMessageAndLeaksNothing) {
    line("port");
    mxArray* noElements = keep(thCreateStruct(0, 1, {"PortName"}));
    struct {
        const char* what;
        std::vector<const mxArray*> arguments;
        int failingAllocation;
        const char* identifier;
        const char* message;
    } cases[] = {
        {"three inputs",
         {port({field("PortName", path("port"))}), number(1)},
         0,
         openId,
         "Invalid number of inputs to COMOPEN."},
        {"text, not a struct",
         {text(path("port"))},
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
         {port({field("PortName", path("port"))})},
         2,
         openId,
         "Invalid PortName in input to COMOPEN."},
        {"no such device",
         {port({field("PortName", path("none"))})},
         0,
         openId,
         "Cannot open com port."},
        {"device path not made",
         {port({field("PortName", path("port"))})},
         3,
         openId,
         "Cannot open com port."},
        {"not a serial device",
         {port({field("PortName", "/dev/null")})},
         0,
         openId,
         "Error Setting Comm State."},
        {"NaN baud rate",
         {port({field("PortName", path("port")), field("BaudRate", NAN)})},
         0,
         openId,
         "Error Setting Comm State."},
        {"9 data bits",
         {port({field("PortName", path("port")), field("DataBits", 9)})},
         0,
         openId,
         "Error Setting Comm State."},
        {"entry not made",
         {port({field("PortName", path("port"))})},
         4,
         "",
         "Out of memory in MEX-file"},
    };
    int descriptors = countOpenDescriptors();
    for (const auto& c : cases) {
        std::vector<const mxArray*> inputs{text("comopen")};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        thFailAllocation(c.failingAllocation);
        ThCallResult result = thCall(module, 1, inputs);
        thFailAllocation(0);
        EXPECT_TRUE(failedWith(result, c.identifier, c.message)) << c.what;
        EXPECT_EQ(countOpenDescriptors(), descriptors) << c.what;
        EXPECT_EQ(thLiveBlocks(), 0u) << c.what;
    }
    EXPECT_TRUE(free(pairs.front()));
}

// A failed open under an id that was in use leaves no port with that id: the
// earlier one was closed before the new device was tried.
TEST_F(ComOpenTest, AFailedReopenLeavesNoPortWithThatId) {
    PtyPair& ab = line("ab");
    line("ba");
    double id = open({field("PortName", path("ab"))});
    ThCallResult result =
        call("comopen", {port({field("PortName", path("ba")), field("DataBits", 9)})});
    EXPECT_TRUE(failedWith(result, openId, "Error Setting Comm State."));
    EXPECT_TRUE(free(ab));
    EXPECT_TRUE(failedWith(call("comclose", {number(id)}), "QUENTAROX:brindlecast:comclose",
                           "Cannot close the port."));
    EXPECT_EQ(thPersistentBlocks(), 0u);
}

TEST_F(ComOpenTest, TheSameDeviceUnderAnotherNameIsRefusedWhileHeld) {
    PtyPair& first = line("first");
    std::string second = alias(first, "second");
    double id = open({field("PortName", path("first"))});
    EXPECT_TRUE(failedWith(call("comopen", {port({field("PortName", second)})}), openId,
                           "Cannot open com port."));
    uint8_t byte = 0x5a;
    ThCallResult written =
        call("comwrite", {number(id), numeric(mxUINT8_CLASS, 1, &byte), number(1)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(readAvailable(first.master, 1, 1000), std::vector<uint8_t>{0x5a});
}

TEST_F(ComOpenTest, AppliesTheLineSettingsItIsGiven) {
    PtyPair& pair = line("port");
    open({field("PortName", path("port")), field("BaudRate", 300.7), field("Parity", "ODD"),
          field("StopBits", 2), field("DataBits", 7)});
    termios asked = requested(pair);
    EXPECT_EQ(asked.c_cflag & CSIZE, tcflag_t{CS7});
    EXPECT_TRUE(asked.c_cflag & PARENB);
    EXPECT_EQ(asked.c_lflag & (ICANON | ECHO), 0u) << "not raw";
    termios line = kept(pair);
    EXPECT_EQ(cfgetospeed(&line), speed_t{B300});
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_TRUE(line.c_cflag & PARODD);
    EXPECT_FALSE(line.c_cflag & CMSPAR);

    // Only a name: every setting stays as it was (the pty itself forced CS8
    // and dropped PARENB, which is what the port now has).
    open({field("PortName", path("port"))});
    line = kept(pair);
    EXPECT_EQ(cfgetospeed(&line), speed_t{B300});
    EXPECT_TRUE(line.c_cflag & CSTOPB);
    EXPECT_TRUE(line.c_cflag & PARODD);
}

TEST_F(ComOpenTest, ParityWordsInAnyCaseAndNothingElse) {
    PtyPair& pair = line("port");
    struct {
        const char* word;
        bool enabled, odd, stick;
    } words[] = {
        {"even", true, false, false}, {"ODD", true, true, false},     {"Mark", true, true, true},
        {"sPaCe", true, false, true}, {"none", false, false, true},  // none keeps the stick bit
        {"odd ", false, false, true}, {"parity", false, false, true}, {"", false, false, true},
    };
    for (const auto& w : words) {
        open({field("PortName", path("port")), field("Parity", w.word)});
        EXPECT_EQ(bool(requested(pair).c_cflag & PARENB), w.enabled) << w.word;
        termios line = kept(pair);
        EXPECT_EQ(bool(line.c_cflag & PARODD), w.odd) << w.word;
        EXPECT_EQ(bool(line.c_cflag & CMSPAR), w.stick) << w.word;
    }
    // A Parity that is not text leaves the parity alone.
    open({field("PortName", path("port")), field("Parity", "mark")});
    open({field("PortName", path("port")), field("Parity", 2)});
    EXPECT_TRUE(kept(pair).c_cflag & PARODD);
    EXPECT_TRUE(kept(pair).c_cflag & CMSPAR);
}

TEST_F(ComOpenTest, StopBitsAndDataBits) {
    PtyPair& pair = line("port");
    struct {
        double stopBits, dataBits;
        bool twoStopBits;
        tcflag_t size;
    } cases[] = {
        {2, 8, true, CS8},    {1, 6, false, CS6}, {1.5, 5, true, CS5}, {2, 8, true, CS8},
        {1.25, 8, true, CS8}, {3, 7, true, CS7},  {NAN, 8, true, CS8}, {1, 8.9, false, CS8},
    };
    for (const auto& c : cases) {
        open({field("PortName", path("port")), field("StopBits", c.stopBits),
              field("DataBits", c.dataBits)});
        termios asked = requested(pair);
        EXPECT_EQ(bool(asked.c_cflag & CSTOPB), c.twoStopBits) << c.stopBits;
        EXPECT_EQ(asked.c_cflag & CSIZE, c.size) << c.dataBits;
        EXPECT_EQ(bool(kept(pair).c_cflag & CSTOPB), c.twoStopBits) << c.stopBits;
    }
    EXPECT_TRUE(failedWith(call("comopen", {port({field("PortName", path("port")),
                                                  field("StopBits", 1.5), field("DataBits", 8)})}),
                           openId, "Error Setting Comm State."));
}

}  // namespace
