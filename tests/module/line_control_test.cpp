// comset, compins and combreak through the loaded module. Wine 8 on a
// pty-backed COM port: GetCommTimeouts reads back what SetCommTimeouts set;
// GetCommModemStatus fails with error 50 (ERROR_NOT_SUPPORTED), as a pty has
// no modem lines; SetCommBreak and ClearCommBreak succeed and leave nothing
// a pty shows; SetCommState takes BaudRate 4294967291, which Windows' driver
// refuses.
#include "port_fixture.h"

#if !defined(_WIN32)
#include "ioctl_spy.h"

#include <sys/ioctl.h>
#endif

#include <chrono>
#include <cmath>

namespace {

const char* const setId = "QUENTAROX:brindlecast:comset";
const char* const pinsId = "QUENTAROX:brindlecast:compins";
const char* const breakId = "QUENTAROX:brindlecast:combreak";

class LineControlTest : public PortTest {
protected:
    void SetUp() override {
        PortTest::SetUp();
        serial = &line("port");
        id = number(open({field("PortName", serial->port), field("BaudRate", 9600),
                          field("WriteTimeout", 0.3)}));
    }
    ThCallResult set(std::initializer_list<PortField> fields) {
        return call("comset", {id, port(fields)});
    }
    // The seconds a call took.
    double timed(const std::string& mode, std::initializer_list<const mxArray*> arguments,
                 ThCallResult* result) {
        auto start = std::chrono::steady_clock::now();
        *result = call(mode, arguments, 2);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    TestLine* serial = nullptr;
    mxArray* id = nullptr;
};

TEST_F(LineControlTest, ComSetChangesWhatItIsGivenAndKeepsTheRest) {
    ASSERT_FALSE(
        set({field("PortName", "nowhere"), field("BaudRate", 19200), field("StopBits", 2)}).failed);
    EXPECT_EQ(kept(*serial).baudRate, 19200u);
    EXPECT_TRUE(kept(*serial).twoStopBits);
    // A read time-out alone: the write keeps its 0.3 s.
    ASSERT_FALSE(set({field("ReadTimeout", 0.1)}).failed);
    ThCallResult result;
    EXPECT_GE(timed("comread", {id, number(10)}, &result), 0.1);
    std::vector<uint8_t> data(1 << 20, 0x55);
    double took =
        timed("comwrite", {id, numeric(mxUINT8_CLASS, data.size(), data.data()), number(1 << 20)},
              &result);
    EXPECT_TRUE(took >= 0.29 && took < 3.0) << took;
    EXPECT_LT(mxGetScalar(result.outputs[0]), double(1 << 20));
    EXPECT_FALSE(set({field("BaudRate", 250000)}).failed);
}

// A refused call changes nothing, and the port stays open under its FileID.
TEST_F(LineControlTest, ARefusedCallLeavesThePortAsItWas) {
    ASSERT_FALSE(set({field("StopBits", 2)}).failed);
    const bool yes = true;
    const std::string duration = "Invalid duration in input to COMBREAK.";
    auto invalid = [](const char* what) {
        return "Invalid " + std::string(what) + " in input to COMSET.";
    };
    struct {
        const char* mode;
        std::vector<const mxArray*> arguments;
        std::string message;
    } cases[] = {
        {"comset", {id}, "Invalid number of inputs to COMSET."},
        {"comset", {number(1), port({})}, "Cannot configure the port."},
        {"comset", {id, number(1)}, invalid("settings")},
        {"comset", {id, keep(thCreateStruct(0, 1, {"BaudRate"}))}, invalid("settings")},
        {"comset", {id, port({field("ReadTimeout", -1)})}, invalid("ReadTimeout")},
        {"comset",
         {id, port({field("ReadTimeout", 1), field("ReadIntervalTimeout", NAN)})},
         invalid("ReadIntervalTimeout")},
        {"comset",
         {id, port({field("StopBits", 1), field("WriteTimeout", 0)})},
         invalid("WriteTimeout")},
        {"comset", {id, port({field("BaudRate", 300), field("DTR", NAN)})}, invalid("DTR")},
        {"comset", {id, port({field("RTS", 1), field("FlowControl", "hardware")})}, invalid("RTS")},
        {"comset", {id, port({field("FlowControl", "xon")})}, invalid("FlowControl")},
        {"comset", {id, port({field("InputBufferSize", INFINITY)})}, invalid("InputBufferSize")},
#if !defined(_WIN32)  // Wine takes it
        {"comset", {id, port({field("BaudRate", -5)})}, "Error Setting Comm State."},
#endif
        {"compins", {id}, "Cannot read the pins."},  // a pty has no modem lines
        {"compins", {number(1)}, "Cannot read the pins."},
        {"compins", {id, id}, "Invalid number of inputs to COMPINS."},
        {"combreak", {id}, "Invalid number of inputs to COMBREAK."},
        {"combreak", {number(1), number(-1)}, "Cannot send a break."},  // the port first
        {"combreak", {id, number(0)}, duration},
        {"combreak", {id, number(10.001)}, duration},
        {"combreak", {id, number(NAN)}, duration},
        {"combreak", {id, text("1")}, duration},
        {"combreak", {id, keep(thCreateNumeric(mxLOGICAL_CLASS, 1, 1, &yes))}, duration},
    };
#if !defined(_WIN32)
    spyIoctlReset();
#endif
    for (const auto& c : cases) {
        std::vector<const mxArray*> inputs{text(c.mode)};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_TRUE(failedWith(thCall(module, 1, inputs),
                               std::string("QUENTAROX:brindlecast:") + c.mode, c.message.c_str()))
            << c.message;
#if !defined(_WIN32)
        EXPECT_EQ(spyBreakRequests(moduleDescriptor(*serial)), "") << c.message;
#endif
        EXPECT_EQ(kept(*serial).baudRate, 9600u) << c.message;
        EXPECT_TRUE(kept(*serial).twoStopBits) << c.message;
        EXPECT_FALSE(call("comcount", {id}).failed) << c.message;
    }
    // In hardware flow control RTS is the handshake's, until the call ends it.
    ASSERT_FALSE(set({field("FlowControl", "hardware")}).failed);
    EXPECT_TRUE(failedWith(set({field("RTS", 1)}), setId, "Invalid RTS in input to COMSET."));
    EXPECT_TRUE(failedWith(set({field("BaudRate", 19200), field("RTS", 1)}), setId,
                           "Invalid RTS in input to COMSET."));
    EXPECT_EQ(kept(*serial).baudRate, 9600u);
    EXPECT_TRUE(kept(*serial).rtsCts);
    EXPECT_FALSE(set({field("RTS", 1), field("FlowControl", "none")}).failed);
    EXPECT_FALSE(kept(*serial).rtsCts);
}

TEST_F(LineControlTest, ComSetMovesOnlyTheLinesItIsGiven) {
#if defined(_WIN32)
    EXPECT_FALSE(set({field("DTR", 1)}).failed);  // EscapeCommFunction would fail here
#else
    spyIoctlReset();
    spyFakeModemLines(TIOCM_DTR | TIOCM_RTS);  // both up, as a port would read them
    ASSERT_FALSE(set({field("DTR", 0)}).failed);
    EXPECT_EQ(spyModemLinesDropped(moduleDescriptor(*serial)), TIOCM_DTR);
    spyIoctlReset();
#endif
}

#if !defined(_WIN32)
TEST_F(LineControlTest, ComPinsReadsTheFourInputLines) {
    const char* names[] = {"ClearToSend", "DataSetReady", "RingIndicator", "CarrierDetect"};
    const int lines[] = {TIOCM_CTS, TIOCM_DSR, TIOCM_RNG, TIOCM_CAR};
    for (int up = 0; up < 4; ++up) {
        spyFakeModemLines(lines[up] | TIOCM_DTR | TIOCM_RTS);
        ThCallResult pins = call("compins", {id});
        ASSERT_FALSE(pins.failed) << pins.message;
        for (int i = 0; i < 4; ++i) {
            const mxArray* pin = mxGetField_700(pins.outputs[0], 0, names[i]);
            ASSERT_TRUE(pin != nullptr && mxIsLogical(pin)) << names[i];
            EXPECT_EQ(mxGetScalar(pin), i == up) << names[i];
        }
    }
    spyIoctlReset();
}
#endif

TEST_F(LineControlTest, ComBreakHoldsItsTimeThenClearsAndALostPortGetsEachModesError) {
    ThCallResult result;
    double took = timed("combreak", {id, number(0.0501)}, &result);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(took >= 0.051 && took < 2.0) << took;  // rounded up to whole milliseconds
#if !defined(_WIN32)
    EXPECT_EQ(spyBreakRequests(moduleDescriptor(*serial)), "SC");
    spyFailIoctl(TIOCSBRK, EIO);
    EXPECT_TRUE(failedWith(call("combreak", {id, number(1)}), breakId, "Cannot send a break."));
    spyIoctlReset();
#endif
    // A lost port: each mode's own error, and the module goes on.
    ASSERT_TRUE(hangUp(*serial));
    EXPECT_TRUE(failedWith(set({field("BaudRate", 19200)}), setId, "Error Setting Comm State."));
    EXPECT_TRUE(failedWith(call("compins", {id}), pinsId, "Cannot read the pins."));
    EXPECT_TRUE(failedWith(call("combreak", {id, number(0.01)}), breakId, "Cannot send a break."));
    EXPECT_EQ(mxGetScalar(call("comdrain", {id}).outputs[0]), 0.0);  // as comcount's unsent
#if !defined(_WIN32)  // Wine's ClearCommError still answers for the hung-up pty
    EXPECT_TRUE(failedWith(call("comerrors", {id}), "QUENTAROX:brindlecast:comerrors",
                           "Cannot read the line errors."));
#endif
    EXPECT_FALSE(call("comclose", {id}).failed);
    EXPECT_EQ(thLiveBlocks(), 0u);
}

}  // namespace
