// InputBufferSize: the port's reader holds what the line sends between calls.
#include "port_fixture.h"

#include "thread_count.h"

#if !defined(_WIN32)
#include "read_spy.h"

#include <sys/ioctl.h>

#include <cerrno>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class ReaderTest : public PortTest {
protected:
    void SetUp() override {
        PortTest::SetUp();
        serial = &line("port");
        // A runtime's own first thread (ThreadSanitizer's) comes before the count.
        startFirstThread();
        idle = countThreads();
    }
    mxArray* openWith(double inputBufferSize, double readTimeout = 0) {
        return number(open({field("PortName", serial->port), field("ReadTimeout", readTimeout),
                            field("InputBufferSize", inputBufferSize)}));
    }
    double waiting(mxArray* id) { return mxGetScalar(call("comcount", {id}).outputs[0]); }
    // Waits (2 s at most) until the port counts this many bytes waiting.
    bool counts(mxArray* id, double expected) {
        for (auto start = Clock::now(); secondsSince(start) < 2;) {
            if (waiting(id) == expected) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // Waits (2 s at most) until the port counts total bytes waiting, all held
    // by the reader: on Linux the tty's queue is then empty (read after the
    // count, as bytes never go back to it); under Wine, where it cannot be
    // seen, the reader is given a while.
    bool held(mxArray* id, double total) {
        for (auto start = Clock::now(); secondsSince(start) < 2;) {
            if (waiting(id) == total) {
#if defined(_WIN32)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return true;
#else
                int queued = -1;
                if (ioctl(serial->pty.slave, TIOCINQ, &queued) == 0 && queued == 0) return true;
#endif
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
    // The reader takes what arrives with no call of the script to wake it:
    // the tty's queue empties (under Wine, where it cannot be seen, true).
    // A pty passes bytes on a moment after the far end's write: until then
    // its queue reads empty too.
    bool takenWithoutACall() {
#if !defined(_WIN32)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (auto start = Clock::now(); secondsSince(start) < 0.5;) {
            int queued = -1;
            if (ioctl(serial->pty.slave, TIOCINQ, &queued) == 0 && queued == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
#else
        return true;
#endif
    }
    std::vector<double> read(mxArray* id, double count) {
        return row(call("comread", {id, number(count)}, 2).outputs[0]);
    }
    bool running(int readers) {
        return threadsSettleAt(idle + readers);
    }

    TestLine* serial = nullptr;
    int idle = 0;
};

// More than the line can hold crosses while the script makes no call; the
// held bytes come first, are counted, and are dropped by a flush.
TEST_F(ReaderTest, HoldsWhatTheLineCannotAndServesCountsAndFlushesIt) {
    mxArray* id = openWith(1 << 18);
    std::vector<uint8_t> pattern(100000);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i % 251);
    ASSERT_TRUE(farWrite(*serial, pattern.data(), pattern.size()));
    ASSERT_TRUE(counts(id, 100000));
    EXPECT_EQ(read(id, 60000), std::vector<double>(pattern.begin(), pattern.begin() + 60000));
    EXPECT_EQ(waiting(id), 40000.0);
    EXPECT_EQ(thLiveBlocks(), 3u) << "the entry, the read-ahead and the reader";
    ASSERT_FALSE(call("comflush", {id, text("input")}).failed);
    EXPECT_EQ(waiting(id), 0.0);

    ASSERT_TRUE(farWrite(*serial, "one\ntwo", 7));
    ASSERT_TRUE(held(id, 7));
    ThCallResult line = call("comreadline", {id, number(64)}, 2);
    EXPECT_EQ(row(line.outputs[0]), (std::vector<double>{'o', 'n', 'e', '\n'}));
    EXPECT_EQ(read(id, 10), (std::vector<double>{'t', 'w', 'o'}));
#if !defined(_WIN32)
    // Taken within 5 ms of arriving, the script idle but for comcount (the
    // median of 20), also after a quiet line has slowed the reader's polls.
    std::vector<double> delays;
    for (int i = 1; i <= 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 2 ? 100 : 0));
        auto start = Clock::now();
        ASSERT_TRUE(farWrite(*serial, "0123456789", 10));
        ASSERT_TRUE(held(id, 10 * i));
        delays.push_back(secondsSince(start));
    }
    std::nth_element(delays.begin(), delays.begin() + 10, delays.end());
    EXPECT_LT(delays[10], 0.005);
#endif
}

// The reader takes on after every kind of call: reads of part of what it
// holds, again and again past its block's end; a read served from held bytes
// alone; a new limit; a device that failed once; a call whose result the
// host had no memory for.
TEST_F(ReaderTest, TakesOnAfterEveryCall) {
    mxArray* id = openWith(4096);
    std::vector<uint8_t> bytes(10000, 'k');
    double total = 0;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(farWrite(*serial, bytes.data(), 1000));
        ASSERT_TRUE(held(id, total += 1000)) << i;
        EXPECT_EQ(read(id, 500).size(), 500u);
        total -= 500;
        ASSERT_TRUE(farWrite(*serial, "x", 1));
        EXPECT_TRUE(takenWithoutACall()) << i;
        total += 1;
    }
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 65536)})}).failed);
    ASSERT_TRUE(farWrite(*serial, bytes.data(), 10000));
    EXPECT_TRUE(held(id, total += 10000)) << "a new limit for the running reader";
#if !defined(_WIN32)
    ASSERT_FALSE(call("comflush", {id}).failed);
    spyFailReadsAfter(moduleDescriptor(*serial), 0, EIO);
    EXPECT_TRUE(running(0)) << "the reader ends with its device";
    spyReadReset();
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 4096)})}).failed);
    EXPECT_TRUE(running(1)) << "started again";
    ASSERT_TRUE(farWrite(*serial, "again", 5));
    EXPECT_TRUE(held(id, total = 5)) << "with room to hold";
#endif
    for (const char* mode : {"comread", "comreadline"}) {
        thFailArrayCreation(1);
        EXPECT_TRUE(call(mode, {id, number(2)}, 2).failed) << mode;
        thFailArrayCreation(0);
        ASSERT_TRUE(farWrite(*serial, "y\n", 2));
        EXPECT_TRUE(takenWithoutACall()) << mode;
    }
}

// comset 0, comclose, a reopen and unloading each stop the reader; the held
// bytes stay through comset 0.
TEST_F(ReaderTest, StopsAtEachStop) {
    mxArray* id = openWith(4096);
    EXPECT_TRUE(running(1));
    ASSERT_TRUE(farWrite(*serial, "ab", 2));
    ASSERT_TRUE(held(id, 2));
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 0)})}).failed);
    EXPECT_TRUE(running(0));
    EXPECT_EQ(read(id, 5), (std::vector<double>{'a', 'b'}));
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 8192)})}).failed);
    EXPECT_TRUE(running(1));
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 4096)})}).failed);
    EXPECT_TRUE(running(1)) << "a new size for the same reader";
    id = openWith(4096);
    EXPECT_TRUE(running(1)) << "a reopen replaces the reader";
    id = openWith(0);
    EXPECT_TRUE(running(0));
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 4096)})}).failed);
    EXPECT_TRUE(running(1));
    ASSERT_FALSE(call("comclose", {id}).failed);
    EXPECT_TRUE(running(0));
    EXPECT_TRUE(free(*serial));

    TestLine& other = line("other");
    openWith(4096);
    open({field("PortName", other.port), field("InputBufferSize", 65536)});
    EXPECT_TRUE(running(2));
    reload();
    EXPECT_TRUE(running(0));
    EXPECT_TRUE(free(*serial));
    EXPECT_TRUE(free(other));
    EXPECT_EQ(thLiveBlocks(), 0u);
}

// A reader that waited inside the device for the port's own time-outs would
// hold every write (the POSIX layer serializes calls on a handle as Windows
// does); and the port's time-outs keep their length.
TEST_F(ReaderTest, WritesAreNotHeldBackNorTimeOutsShortened) {
    mxArray* id = openWith(4096, 1);
    uint8_t bytes[64] = {};
    mxArray* data = numeric(mxUINT8_CLASS, 64, bytes);
    auto start = Clock::now();
    for (int i = 0; i < 100; ++i) {
        ThCallResult written = call("comwrite", {id, data, number(64)});
        ASSERT_FALSE(written.failed) << written.message;
    }
    EXPECT_LT(secondsSince(start), 0.5) << "100 writes of 64 bytes";
    // Nor is an idle reader ever inside the device when a call comes, also
    // after a read that ended on its count gave the device a slice of its own.
    // Held bytes first, the rest from the device, so the read waits there
    // however late it starts.
    ASSERT_TRUE(farWrite(*serial, "ab", 2));
    std::thread later([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        farWrite(*serial, "cd", 2);
    });
    EXPECT_EQ(read(id, 4).size(), 4u);
    later.join();
    double counting = 0;
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        start = Clock::now();
        waiting(id);
        counting += secondsSince(start);
    }
    EXPECT_LT(counting, 0.05) << "10 comcounts";
    EXPECT_EQ(farRead(*serial, 6400, 1000).size(), 6400u);

    ASSERT_FALSE(call("comset", {id, port({field("ReadTimeout", 0.2)})}).failed);
    start = Clock::now();
    EXPECT_TRUE(read(id, 10).empty());
    double took = secondsSince(start);
    EXPECT_TRUE(took >= 0.2 && took < 0.6) << took;
}

// The held bytes outlive the device: served, then the port behaves as a lost one.
TEST_F(ReaderTest, HeldBytesOutliveALostDevice) {
    mxArray* id = openWith(4096, 0.2);
    ASSERT_TRUE(farWrite(*serial, "abc", 3));
    ASSERT_TRUE(held(id, 3));
    ASSERT_TRUE(hangUp(*serial));
#if !defined(_WIN32)
    // Wine reads a hung-up pty as an idle one: its reader runs on.
    EXPECT_TRUE(running(0)) << "the reader did not end with the device";
#endif
    EXPECT_EQ(waiting(id), 3.0);
    ThCallResult result = call("comread", {id, number(5)}, 2);
    EXPECT_EQ(row(result.outputs[0]), (std::vector<double>{'a', 'b', 'c'}));
    EXPECT_EQ(mxGetScalar(result.outputs[1]), 3.0);
    result = call("comread", {id, number(5)}, 2);
    EXPECT_EQ(mxGetScalar(result.outputs[1]), 0.0);
    EXPECT_FALSE(call("comclose", {id}).failed);
    EXPECT_TRUE(running(0));
}

}  // namespace
