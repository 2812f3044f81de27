// A port whose far end disappears (its pseudo-terminal master closes) while
// the module holds it: between calls, and while a read or a write waits for
// the line. The other ports keep working, the lost one reports counts, and it
// can still be closed and unloaded.
#include "descriptor_count.h"
#include "module_fixture.h"
#include "pty_pair.h"

#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <thread>

namespace {

const char* const kClosingWarning =
    "Closing all open Serial Port. It is no longer possible to write to any previously open "
    "Serial Port.";

using Clock = std::chrono::steady_clock;

// The descriptor a thread is blocked on in read or write, or -1 while it runs
// or waits in any other call.
int blockedOn(pid_t thread) {
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    std::string descriptor;
    if (!(file >> number >> descriptor)) return -1;
    if (number != SYS_read && number != SYS_write) return -1;
    return static_cast<int>(std::strtol(descriptor.c_str(), nullptr, 16));
}

class LostDeviceTest : public ModuleTest {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/brindlecast-lost-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        startingDescriptors = countOpenDescriptors();
        ModuleTest::SetUp();
    }
    void TearDown() override {
        ModuleTest::TearDown();
        for (PtyPair& pair : pairs) closePtyPair(&pair);
        for (const std::string& link : links) unlink(link.c_str());
        rmdir(folder.c_str());
        EXPECT_EQ(countOpenDescriptors(), startingDescriptors) << "a descriptor leaked";
    }

    // A line whose port end the module opens as folder/name; reads wait up to
    // vtime tenths of a second for a byte.
    PtyPair& line(const std::string& name, int vtime = 0) {
        pairs.emplace_back();
        PtyPair& pair = pairs.back();
        EXPECT_TRUE(openPtyPair(&pair));
        EXPECT_TRUE(setReadTimeout(pair.slave, 0, vtime));
        links.push_back(folder + "/" + name);
        EXPECT_EQ(symlink(pair.slavePath.c_str(), links.back().c_str()), 0);
        return pair;
    }
    mxArray* openPort(const std::string& name) {
        return number(open({field("PortName", folder + "/" + name)}));
    }
    mxArray* bytes(const std::vector<uint8_t>& values) {
        return numeric(mxUINT8_CLASS, values.size(), values.data());
    }
    // Waits until count bytes sent by the far end wait at the port end.
    static bool arrived(const PtyPair& pair, size_t count) {
        auto deadline = Clock::now() + std::chrono::seconds(1);
        int waiting = -1;
        while (ioctl(pair.slave, TIOCINQ, &waiting) == 0 && static_cast<size_t>(waiting) < count &&
               Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return waiting >= 0 && static_cast<size_t>(waiting) == count;
    }
    // The descriptor the module holds on a line's port end.
    static bool isPortEnd(int fd, const PtyPair& pair) {
        char target[256];
        std::string link = "/proc/self/fd/" + std::to_string(fd);
        ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
        return fd != pair.slave && length > 0 && std::string(target, length) == pair.slavePath;
    }

    // Runs call on this thread while another closes the line's master as
    // soon as this one is blocked on the line with every byte sent taken.
    // Returns the call's result and how long it took.
    template <typename Call>
    ThCallResult loseLineDuring(PtyPair& pair, Call call, double* seconds) {
        pid_t caller = static_cast<pid_t>(syscall(SYS_gettid));
        std::thread loser([&pair, caller] {
            auto deadline = Clock::now() + std::chrono::seconds(2);
            while (Clock::now() < deadline) {
                int fd = blockedOn(caller);
                int waiting = -1;
                ioctl(pair.slave, TIOCINQ, &waiting);
                if (fd >= 0 && isPortEnd(fd, pair) && waiting == 0) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            closeMaster(&pair);
        });
        auto start = Clock::now();
        ThCallResult result = call();
        *seconds = std::chrono::duration<double>(Clock::now() - start).count();
        loser.join();
        return result;
    }

    std::string folder;
    int startingDescriptors = 0;
    std::deque<PtyPair> pairs;
    std::vector<std::string> links;
};

TEST_F(LostDeviceTest, TheLostPortReportsWhatItDidAndTheOthersKeepWorking) {
    PtyPair& lost = line("lost");
    PtyPair& kept = line("kept");
    mxArray* lostId = openPort("lost");
    mxArray* keptId = openPort("kept");
    closeMaster(&lost);

    for (int attempt = 0; attempt < 2; ++attempt) {
        ThCallResult written = call("comwrite", {lostId, bytes({1, 2, 3}), number(3)});
        ASSERT_FALSE(written.failed) << written.message;
        EXPECT_EQ(mxGetScalar(written.outputs[0]), 0.0) << "bytes written to a lost line";

        ThCallResult read = call("comread", {lostId, number(4)}, 2);
        ASSERT_FALSE(read.failed) << read.message;
        EXPECT_EQ(row(read.outputs[0]), std::vector<double>{0}) << "a failed read gives 0";
        EXPECT_EQ(mxGetScalar(read.outputs[1]), 0.0);
    }

    ThCallResult written = call("comwrite", {keptId, bytes({4, 5}), number(2)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(mxGetScalar(written.outputs[0]), 2.0);
    EXPECT_EQ(readAvailable(kept.master, 2, 1000), (std::vector<uint8_t>{4, 5}));
    ASSERT_TRUE(writeAll(kept.master, "\x09\x0a", 2));
    ThCallResult read = call("comread", {keptId, number(2)}, 2);
    ASSERT_FALSE(read.failed) << read.message;
    EXPECT_EQ(mxGetScalar(read.outputs[1]), 2.0);

    EXPECT_FALSE(call("comclose", {lostId}).failed);
    EXPECT_EQ(thLiveBlocks(), 1u) << "only the kept port's entry stays";
    EXPECT_TRUE(failedWith(call("comclose", {lostId}), "QUENTAROX:brindlecast:comclose",
                           "Cannot close the port."));
    // The device is gone with its master: it cannot be opened again.
    ThCallResult reopened = call("comopen", {port({field("PortName", folder + "/lost")})});
    EXPECT_TRUE(failedWith(reopened, "QUENTAROX:brindlecast:comopen", "Cannot open com port."));
    EXPECT_EQ(thLiveBlocks(), 1u);
    EXPECT_FALSE(call("comclose", {keptId}).failed);
    EXPECT_EQ(thLiveBlocks(), 0u);
}

TEST_F(LostDeviceTest, UnloadingClosesALostPortWithTheOthers) {
    PtyPair& lost = line("lost");
    line("kept");
    int before = countOpenDescriptors();
    openPort("lost");
    openPort("kept");
    closeMaster(&lost);
    int held = countOpenDescriptors();

    reload();
    EXPECT_EQ(thLastUnloadReport().failed, false) << thLastUnloadReport().message;
    EXPECT_EQ(thWarnings(), std::vector<std::string>{kClosingWarning});
    EXPECT_EQ(thLiveBlocks(), 0u);
    // Both port descriptors closed: the lost master's one went with the test's close.
    EXPECT_EQ(countOpenDescriptors(), held - 2);
    EXPECT_EQ(countOpenDescriptors(), before - 1);
}

TEST_F(LostDeviceTest, AReadWaitingForTheLineEndsWhenTheLineIsLost) {
    // Bytes that arrived before the loss are counted; the row is the 0 of a
    // failed read. The port's 3 s read time-out bounds the test if the
    // hang-up went unnoticed.
    const struct {
        std::string before;
        double count;
    } cases[] = {{"", 0}, {"ab", 2}};
    for (const auto& c : cases) {
        std::string name = "waiting" + std::to_string(pairs.size());
        PtyPair& pair = line(name, 30);
        mxArray* id = openPort(name);
        ASSERT_TRUE(writeAll(pair.master, c.before.data(), c.before.size()));
        ASSERT_TRUE(arrived(pair, c.before.size())) << "the bytes must wait on the port first";
        double seconds = 0;
        ThCallResult read = loseLineDuring(
            pair,
            [&] {
                return call("comread", {id, number(5)}, 2);
            },
            &seconds);
        ASSERT_FALSE(read.failed) << read.message;
        EXPECT_EQ(row(read.outputs[0]), std::vector<double>{0}) << c.before;
        EXPECT_EQ(mxGetScalar(read.outputs[1]), c.count) << c.before;
        EXPECT_LT(seconds, 2.0) << "the read did not end with the line";
        EXPECT_FALSE(call("comclose", {id}).failed);
    }
    EXPECT_EQ(thLiveBlocks(), 0u);
}

TEST_F(LostDeviceTest, AWriteWaitingForTheLineEndsWhenTheLineIsLost) {
    // Far more than a pty buffers: the write waits until the far end reads,
    // which it never does; it goes away instead.
    PtyPair& pair = line("full");
    mxArray* id = openPort("full");
    std::vector<uint8_t> data(1 << 20, 0x55);
    mxArray* megabyte = bytes(data);
    double seconds = 0;
    ThCallResult written = loseLineDuring(
        pair,
        [&] {
            return call("comwrite", {id, megabyte, number(double(data.size()))});
        },
        &seconds);
    ASSERT_FALSE(written.failed) << written.message;
    double count = mxGetScalar(written.outputs[0]);
    EXPECT_GT(count, 0.0) << "the pty took bytes before it filled up";
    EXPECT_LT(count, double(data.size()));
    EXPECT_LT(seconds, 2.5);
    EXPECT_FALSE(call("comclose", {id}).failed);
    EXPECT_EQ(thLiveBlocks(), 0u);
}

}  // namespace
