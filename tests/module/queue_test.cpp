// comcount and comflush through the loaded module.
#include "port_fixture.h"

#if !defined(_WIN32)
#include "ioctl_spy.h"
#include "termios_spy.h"
#endif

#include <chrono>
#include <cmath>
#include <thread>

namespace {

const char* const flushId = "QUENTAROX:brindlecast:comflush";

class QueueTest : public PortTest {
protected:
    void SetUp() override {
        PortTest::SetUp();
        serial = &line("port");
        id = number(open({field("PortName", serial->port), field("ReadTimeout", 0)}));
    }
    // [waiting, unsent]
    std::vector<double> counts() {
        ThCallResult result = call("comcount", {id}, 2);
        if (result.failed) return {-1, -1};
        return {mxGetScalar(result.outputs[0]), mxGetScalar(result.outputs[1])};
    }
    // The far end's bytes reach the port's queue a moment after they are sent.
    double waitingAfterArrival(double expected) {
        for (int attempt = 0; attempt < 100 && counts()[0] != expected; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return counts()[0];
    }

    TestLine* serial = nullptr;
    mxArray* id = nullptr;
};

TEST_F(QueueTest, CountsWhatWaitsAndWhatIsUnsent) {
    std::vector<double> idle = counts();
    EXPECT_EQ(idle[0], 0.0);
    EXPECT_GE(idle[1], 0.0);
    EXPECT_EQ(idle[1], std::trunc(idle[1]));
    ASSERT_TRUE(farWrite(*serial, "abcde", 5));
    EXPECT_EQ(waitingAfterArrival(5), 5.0);
    EXPECT_EQ(mxGetScalar(call("comread", {id, number(5)}, 2).outputs[1]), 5.0);
    EXPECT_EQ(counts()[0], 0.0);
    // One output asked for: the second slot stays empty.
    ThCallResult one = call("comcount", {id}, 1);
    ASSERT_EQ(one.outputs.size(), 1u);
    EXPECT_EQ(mxGetScalar(one.outputs[0]), 0.0);
}

TEST_F(QueueTest, FlushDropsWhatItIsToldTo) {
    ASSERT_TRUE(farWrite(*serial, "abcde", 5));
    ASSERT_EQ(waitingAfterArrival(5), 5.0);
    ASSERT_FALSE(call("comflush", {id, string("Input")}).failed);  // a MATLAB string too
    ThCallResult read = call("comread", {id, number(5)}, 2);
    EXPECT_EQ(mxGetScalar(read.outputs[1]), 0.0) << "the waiting bytes were not dropped";
    for (const char* which : {"OUTPUT", "both"}) {
        EXPECT_FALSE(call("comflush", {id, text(which)}).failed) << which;
    }
    EXPECT_FALSE(call("comflush", {id}).failed);
#if !defined(_WIN32)
    EXPECT_EQ(spyLastTcflush(), TCIOFLUSH) << "no word flushes both";
#endif

    for (mxArray* which : {text("inputs"), text(""), number(1), keep(thCreateCell(1, 1)),
                           keep(thCreateStringArray(1, 2, {"input", "input"}))}) {
        EXPECT_TRUE(failedWith(call("comflush", {id, which}), flushId,
                               "Invalid buffer in input to COMFLUSH."));
    }
    EXPECT_TRUE(failedWith(call("comflush", {id, text("input"), text("input")}), flushId,
                           "Invalid number of inputs to COMFLUSH."));
    EXPECT_EQ(thLiveBlocks(), 1u);
}

// comdrain returns once the output queue is empty: at once on a pty, whose
// queue always reads 0; the spy holds bytes in it on Linux.
TEST_F(QueueTest, DrainWaitsForTheQueueUntilWriteTimeoutOrCtrlC) {
    auto drain = [this](double* seconds) {
        auto start = std::chrono::steady_clock::now();
        ThCallResult result = call("comdrain", {id});
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    };
    double elapsed = 0;
    EXPECT_EQ(mxGetScalar(drain(&elapsed).outputs[0]), 0.0);
#if !defined(_WIN32)
    spyFakeOutputQueue(100);  // the port has no WriteTimeout
    std::thread later([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        spyFakeOutputQueue(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        thRaiseInterrupt();
    });
    EXPECT_EQ(mxGetScalar(drain(&elapsed).outputs[0]), 0.0);
    EXPECT_TRUE(elapsed >= 0.09 && elapsed < 0.35) << elapsed;
    spyFakeOutputQueue(100);
    EXPECT_TRUE(drain(&elapsed).interrupted);
    EXPECT_LT(elapsed, 2.0);
    later.join();
    ASSERT_FALSE(call("comset", {id, port({field("WriteTimeout", 0.1)})}).failed);
    EXPECT_EQ(mxGetScalar(drain(&elapsed).outputs[0]), 100.0);
    EXPECT_TRUE(elapsed >= 0.1 && elapsed < 2.0) << elapsed;
    spyIoctlReset();
#endif
}

// Every queue look counts the line errors it finds (comcount's too), and
// comerrors starts the counts again.
TEST_F(QueueTest, ComErrorsCountsTheFlagsOfEveryQueueLook) {
    auto errors = [this] {
        ThCallResult result = call("comerrors", {id});
        std::vector<double> counts;
        for (const char* name : {"Overrun", "QueueOverflow", "Framing", "Parity", "Break"}) {
            const mxArray* count =
                result.failed ? nullptr : mxGetField_700(result.outputs[0], 0, name);
            counts.push_back(count != nullptr ? mxGetScalar(count) : -1);
        }
        return counts;
    };
#if defined(_WIN32)
    EXPECT_EQ(errors(), std::vector<double>(5, 0.0)) << "Wine: no flags on a pty";
#else
    EXPECT_TRUE(failedWith(call("comerrors", {id}), "QUENTAROX:brindlecast:comerrors",
                           "Cannot read the line errors."))
        << "a pty keeps no counts";
    spyFakeLineErrorCounts(0, 0, 0, 0, 0);
    EXPECT_EQ(errors(), std::vector<double>(5, 0.0)) << "counted from the first comerrors on";
    spyFakeLineErrorCounts(2, 0, 0, 1, 0);
    counts();
    EXPECT_EQ(errors(), (std::vector<double>{1, 0, 0, 1, 0}));
    EXPECT_EQ(errors(), std::vector<double>(5, 0.0));
    spyFakeLineErrorCounts(2, 1, 1, 1, 3);
    call("comdrain", {id});
    EXPECT_EQ(errors(), (std::vector<double>{0, 1, 1, 0, 1}));
    spyIoctlReset();
#endif
}

}  // namespace
