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
#include <sys/time.h>

#include <csignal>
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
    EXPECT_GE(took, 0.29);
    EXPECT_LT(took, 3.0);
    EXPECT_LT(mxGetScalar(result.outputs[0]), double(1 << 20));
    EXPECT_FALSE(set({field("BaudRate", 250000)}).failed);
}

// A refused call changes nothing, and the port stays open under its FileID.
TEST_F(LineControlTest, ARefusedComSetLeavesThePortAsItWas) {
    ASSERT_FALSE(set({field("StopBits", 2)}).failed);
    struct {
        std::vector<const mxArray*> arguments;
        const char* message;
    } cases[] = {
        {{id}, "Invalid number of inputs to COMSET."},
        {{number(1), port({})}, "Cannot configure the port."},
        {{id, number(1)}, "Invalid settings in input to COMSET."},
        {{id, keep(thCreateStruct(0, 1, {"BaudRate"}))}, "Invalid settings in input to COMSET."},
        {{id, port({field("BaudRate", 300), field("ReadTimeout", -1)})},
         "Invalid ReadTimeout in input to COMSET."},
        {{id, port({field("StopBits", 1), field("WriteTimeout", 0)})},
         "Invalid WriteTimeout in input to COMSET."},
        {{id, port({field("BaudRate", 300), field("DTR", NAN)})},
         "Invalid DTR in input to COMSET."},
        {{id, port({field("RTS", 1), field("FlowControl", "hardware")})},
         "Invalid RTS in input to COMSET."},
        {{id, port({field("FlowControl", "xon")})}, "Invalid FlowControl in input to COMSET."},
#if !defined(_WIN32)
        {{id, port({field("BaudRate", -5)})}, "Error Setting Comm State."},  // Wine takes it
#endif
    };
    for (const auto& c : cases) {
        std::vector<const mxArray*> inputs{text("comset")};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_TRUE(failedWith(thCall(module, 0, inputs), setId, c.message)) << c.message;
        EXPECT_EQ(kept(*serial).baudRate, 9600u) << c.message;
        EXPECT_TRUE(kept(*serial).twoStopBits) << c.message;
        EXPECT_FALSE(call("comcount", {id}).failed) << c.message;
    }
    // In hardware flow control RTS is the handshake's, until the call ends it.
    ASSERT_FALSE(set({field("FlowControl", "hardware")}).failed);
    EXPECT_TRUE(failedWith(set({field("RTS", 1)}), setId, "Invalid RTS in input to COMSET."));
    EXPECT_TRUE(kept(*serial).rtsCts);
    EXPECT_FALSE(set({field("RTS", 1), field("FlowControl", "none")}).failed);
    EXPECT_FALSE(kept(*serial).rtsCts);
#if !defined(_WIN32)
    EXPECT_TRUE(failedWith(
        call("comopen", {port({field("PortName", serial->port), field("BaudRate", -5)})}),
        "QUENTAROX:brindlecast:comopen", "Error Setting Comm State."));
#endif
    EXPECT_FALSE(
        call("comopen", {port({field("PortName", serial->port), field("BaudRate", 250000)})})
            .failed);
}

TEST_F(LineControlTest, ComSetMovesOnlyTheLinesItIsGiven) {
#if defined(_WIN32)
    EXPECT_FALSE(set({field("DTR", 1)}).failed);  // EscapeCommFunction would fail here
#else
    for (int line : {TIOCM_DTR, TIOCM_RTS}) {
        spyIoctlReset();
        spyFakeModemLines(TIOCM_DTR | TIOCM_RTS);  // both up, as a port would read them
        ASSERT_FALSE(set({field(line == TIOCM_DTR ? "DTR" : "RTS", 0)}).failed);
        EXPECT_EQ(spyModemLinesDropped(moduleDescriptor(*serial)), line);
    }
    spyIoctlReset();
#endif
}

TEST_F(LineControlTest, ComPinsReadsTheFourInputLines) {
    EXPECT_TRUE(failedWith(call("compins", {id}), pinsId, "Cannot read the pins."));  // a pty
    EXPECT_TRUE(failedWith(call("compins", {number(1)}), pinsId, "Cannot read the pins."));
    EXPECT_TRUE(
        failedWith(call("compins", {id, id}), pinsId, "Invalid number of inputs to COMPINS."));
#if !defined(_WIN32)
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
#endif
}

TEST_F(LineControlTest, ComBreakHoldsTheBreakForItsTimeThenClearsIt) {
#if !defined(_WIN32)
    // A signal without SA_RESTART every 5 ms does not cut the wait short.
    struct sigaction tick = {};
    tick.sa_handler = [](int) {};
    sigaction(SIGALRM, &tick, nullptr);
    itimerval every = {{0, 5000}, {0, 5000}};
    setitimer(ITIMER_REAL, &every, nullptr);
#endif
    ThCallResult result;
    double took = timed("combreak", {id, number(0.0501)}, &result);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_GE(took, 0.051);  // rounded up to whole milliseconds
    EXPECT_LT(took, 2.0);
#if !defined(_WIN32)
    every = {};
    setitimer(ITIMER_REAL, &every, nullptr);
    EXPECT_EQ(spyBreakRequests(moduleDescriptor(*serial)), "SC");
    spyFailIoctl(TIOCSBRK, EIO);
    EXPECT_TRUE(failedWith(call("combreak", {id, number(1)}), breakId, "Cannot send a break."));
    spyIoctlReset();
#endif
    const bool yes = true;
    for (mxArray* refused : {number(0), number(-1), number(10.001), number(NAN), text("1"),
                             keep(thCreateNumeric(mxLOGICAL_CLASS, 1, 1, &yes))}) {
        EXPECT_TRUE(failedWith(call("combreak", {id, refused}), breakId,
                               "Invalid duration in input to COMBREAK."));
    }
    EXPECT_TRUE(failedWith(call("combreak", {number(1), number(-1)}), breakId,
                           "Cannot send a break."));  // the port before the duration
    EXPECT_TRUE(
        failedWith(call("combreak", {id}), breakId, "Invalid number of inputs to COMBREAK."));
}

TEST_F(LineControlTest, ALostPortGetsEachModesOwnError) {
    ASSERT_TRUE(hangUp(*serial));
    EXPECT_TRUE(failedWith(set({field("BaudRate", 19200)}), setId, "Error Setting Comm State."));
    EXPECT_TRUE(failedWith(call("compins", {id}), pinsId, "Cannot read the pins."));
    EXPECT_TRUE(failedWith(call("combreak", {id, number(0.01)}), breakId, "Cannot send a break."));
    EXPECT_FALSE(call("comclose", {id}).failed);
    EXPECT_EQ(thLiveBlocks(), 0u);
}

}  // namespace
