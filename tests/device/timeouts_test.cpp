// ReadFile and WriteFile under SetCommTimeouts on a pty, and Sleep through
// signals. Bounds on time are generous above (a shared machine) and exact
// below: no wait ends early.
#include "device/posix_handle.h"
#include "device/serial_device.h"
#include "pty_pair.h"
#include "raw_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, as the layer's deadlines

class TimeoutsOnPty : public RawPortOnPty {
protected:
    void setTimeouts(COMMTIMEOUTS timeouts) { ASSERT_TRUE(SetCommTimeouts(port, &timeouts)); }
    bool nonBlocking() { return fcntl(descriptorFromHandle(port), F_GETFL) & O_NONBLOCK; }
    // Reads up to count bytes into got; the milliseconds the read took.
    double read(DWORD count, BOOL* result, std::string* got) {
        std::vector<char> buffer(count);
        DWORD received = 99;
        Clock::time_point start = Clock::now();
        *result = ReadFile(port, buffer.data(), count, &received, nullptr);
        got->assign(buffer.data(), received);
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    BOOL result = FALSE;
    std::string got;
};

TEST_F(TimeoutsOnPty, ReadsEndAsTheirTimeoutsSay) {
    struct Case {
        COMMTIMEOUTS timeouts;
        const char* waiting;
        DWORD asked;
        double atLeastMs, atMostMs;
        bool interrupted = false;  // a signal without SA_RESTART every 10 ms
    } cases[] = {
        {{MAXDWORD, 0, 0, 0, 0}, "", 10, 0, 100},  // at once, with what waits
        {{MAXDWORD, 0, 0, 0, 0}, "abc", 10, 0, 100},
        {{0, 0, 200, 0, 0}, "", 10, 200, 1500},  // at the constant, with what came
        {{0, 0, 200, 0, 0}, "abc", 10, 200, 1500},
        {{0, 0, 200, 0, 0}, "0123456789", 10, 0, 100},         // or once all is there
        {{0, 40, 0, 0, 0}, "", 5, 200, 1500},                  // multiplier x count
        {{MAXDWORD, MAXDWORD, 200, 0, 0}, "", 10, 200, 1500},  // first bytes, or the constant
        {{MAXDWORD, MAXDWORD, 200, 0, 0}, "abc", 10, 0, 100},
        {{0, 0, 200, 0, 0}, "abc", 10, 200, 1500, true},
        {{30, 0, 1000, 0, 0}, "abc", 10, 30, 300},  // the interval after the last byte
        {{30, 0, 200, 0, 0}, "", 10, 200, 1500},    // not before the first
    };
    struct sigaction tick = {};
    tick.sa_handler = [](int) {};
    ASSERT_EQ(sigaction(SIGALRM, &tick, nullptr), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << &c - cases);
        setTimeouts(c.timeouts);
        arrive(c.waiting);
        itimerval every = {{0, 10000}, {0, c.interrupted ? 10000 : 0}};
        setitimer(ITIMER_REAL, &every, nullptr);
        double ms = read(c.asked, &result, &got);
        every = {};
        setitimer(ITIMER_REAL, &every, nullptr);
        EXPECT_TRUE(result);
        EXPECT_EQ(got, c.waiting);
        EXPECT_GE(ms, c.atLeastMs);
        EXPECT_LE(ms, c.atMostMs);
    }
}

volatile sig_atomic_t sleepTicks = 0;

// Sleep outlasts signals whose handler does not restart calls: a timer signal
// every 10 ms does not end it early.
TEST(SleepOnSignals, LastsItsTimeThroughSignals) {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer runs a handler only at a call it intercepts, and the
    // sleep's own loop makes none: the ticks would all come after it.
    GTEST_SKIP() << "ThreadSanitizer holds signal handlers back";
#endif
    struct sigaction tick = {}, before = {};
    tick.sa_handler = [](int) { sleepTicks = sleepTicks + 1; };
    ASSERT_EQ(sigaction(SIGALRM, &tick, &before), 0);
    itimerval every = {{0, 10000}, {0, 10000}};
    setitimer(ITIMER_REAL, &every, nullptr);
    Clock::time_point start = Clock::now();
    Sleep(200);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    every = {};
    setitimer(ITIMER_REAL, &every, nullptr);
    sigaction(SIGALRM, &before, nullptr);
    EXPECT_GT(sleepTicks, 2);
    EXPECT_GE(ms, 200);
    EXPECT_LE(ms, 1500);
}

// A timed write, and a read with no time-out, go through the module's tests.
TEST_F(TimeoutsOnPty, HangUpEndsATimedReadAtOnce) {
    setTimeouts({0, 0, 0, 0, 0});
    arrive("ab");
    std::thread hangUp([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        closeMaster(&pair);
    });
    errno = 0;
    double ms = read(10, &result, &got);
    hangUp.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(got, "ab");
    EXPECT_LE(ms, 1000);
    const COMMTIMEOUTS others[] = {{0, 0, 5000, 0, 0}, {MAXDWORD, 0, 0, 0, 0}};
    for (const COMMTIMEOUTS& form : others) {
        setTimeouts(form);
        errno = 0;
        EXPECT_LE(read(10, &result, &got), 1000);
        EXPECT_FALSE(result);
        EXPECT_EQ(errno, EIO);
    }
}

// Refused, never set, or left on a descriptor number now used again: the
// port reads by VMIN and VTIME in blocking mode, as before.
TEST_F(TimeoutsOnPty, OnlyADescriptorGivenTimeoutsHasThem) {
    ASSERT_TRUE(setReadTimeout(pair.slave, 0, 2));
    auto expectPortRules = [&](const char* what) {
        EXPECT_FALSE(nonBlocking()) << what;
        // VMIN 0 and VTIME 0.2 s, told in kernel32's terms.
        COMMTIMEOUTS none = {9, 9, 9, 9, 9}, portRules = {MAXDWORD, MAXDWORD, 200, 0, 0};
        EXPECT_TRUE(GetCommTimeouts(port, &none) && !memcmp(&none, &portRules, sizeof none))
            << what;
        double ms = read(5, &result, &got);
        EXPECT_TRUE(ms >= 150 && ms <= 800) << what << ": " << ms;  // VTIME 0.2 s, not 1 s
    };
    COMMTIMEOUTS meaningless = {MAXDWORD, MAXDWORD, MAXDWORD, 0, 0};
    EXPECT_FALSE(SetCommTimeouts(port, &meaningless));
    EXPECT_FALSE(SetCommTimeouts(port, nullptr));
    expectPortRules("refused");
    for (bool byCloseHandle : {true, false}) {
        setTimeouts({0, 0, 1000, 0, 7});
        EXPECT_TRUE(nonBlocking());
        COMMTIMEOUTS kept = {};
        EXPECT_TRUE(GetCommTimeouts(port, &kept) && kept.ReadTotalTimeoutConstant == 1000 &&
                    kept.WriteTotalTimeoutConstant == 7);
        int fd = descriptorFromHandle(port);
        if (byCloseHandle) {
            ASSERT_TRUE(CloseHandle(port));
        } else {
            ASSERT_EQ(ioctl(fd, TIOCNXCL), 0);
            ASSERT_EQ(close(fd), 0);
        }
        port = openPort(pair.slavePath);
        ASSERT_EQ(descriptorFromHandle(port), fd);
        expectPortRules(byCloseHandle ? "after CloseHandle" : "after close");
    }
}

// The record table has room for a fixed number of ports; closing one frees its place.
TEST_F(TimeoutsOnPty, FullTableRefusesUntilAPortCloses) {
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    std::vector<HANDLE> copies;
    errno = 0;
    while (copies.size() < 4096) {
        copies.push_back(handleFromDescriptor(dup(pair.slave)));
        if (!SetCommTimeouts(copies.back(), &timeouts)) break;
    }
    EXPECT_EQ(errno, EMFILE);
    EXPECT_FALSE(SetCommTimeouts(port, &timeouts));
    EXPECT_FALSE(nonBlocking());
    for (HANDLE copy : copies) EXPECT_TRUE(CloseHandle(copy));
    EXPECT_TRUE(SetCommTimeouts(port, &timeouts));
}

}  // namespace
