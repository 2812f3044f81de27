// comclose through the loaded module, and the ports an unload closes.
#include "port_fixture.h"

#include <cmath>

namespace {

const char* const closeId = "QUENTAROX:brindlecast:comclose";

using ComCloseTest = PortTest;

TEST_F(ComCloseTest, ClosesTheDeviceAndForgetsThePort) {
    TestLine& serial = line("port");
#if !defined(_WIN32)
    int before = countOpenDescriptors();
#endif
    double id = open(serial);
    EXPECT_FALSE(free(serial));

    EXPECT_FALSE(call("comclose", {number(id)}).failed);
    EXPECT_TRUE(free(serial));
#if !defined(_WIN32)
    EXPECT_EQ(countOpenDescriptors(), before);
#endif
    EXPECT_EQ(thLiveBlocks(), 0u);

    EXPECT_TRUE(failedWith(call("comclose", {number(id)}), closeId, "Cannot close the port."));
    EXPECT_EQ(thLiveBlocks(), 0u);
}

TEST_F(ComCloseTest, TruncatesTheIdTowardZero) {
    TestLine& serial = line("port");
    double id = open(serial);
    for (double wrong : std::vector<double>{-(id + 0.9), -id, NAN, INFINITY, id + 1, 0.0, -1.0}) {
        EXPECT_TRUE(
            failedWith(call("comclose", {number(wrong)}), closeId, "Cannot close the port."))
            << wrong;
        EXPECT_EQ(thPersistentBlocks(), 1u) << "a failed close changed the registry";
    }
    // Any numeric class: the first element is the id.
    int32_t asInteger[] = {static_cast<int32_t>(id), 99};
    EXPECT_FALSE(call("comclose", {numeric(mxINT32_CLASS, 2, asInteger)}).failed);
    open(serial);
    EXPECT_FALSE(call("comclose", {number(id + 0.9)}).failed);
    EXPECT_EQ(thPersistentBlocks(), 0u);
}

TEST_F(ComCloseTest, LeavesOtherPortsWorking) {
    TestLine& first = line("one");
    TestLine& second = line("two");
    double firstId = open(first);
    double secondId = open(second);
    ASSERT_FALSE(call("comclose", {number(firstId)}).failed);
    EXPECT_TRUE(free(first));

    uint8_t bytes[] = {1, 2};
    ThCallResult written =
        call("comwrite", {number(secondId), numeric(mxUINT8_CLASS, 2, bytes), number(2)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(farRead(second, 2, 1000), (std::vector<uint8_t>{1, 2}));
    ASSERT_TRUE(farWrite(second, "\x07", 1));
    ThCallResult read = call("comread", {number(secondId), number(1)}, 2);
    ASSERT_FALSE(read.failed) << read.message;
    EXPECT_EQ(row(read.outputs[0]), std::vector<double>{7});
}

// Clearing the module (here: unloading it) with ports open closes them, says
// so once, and the next load starts with no ports; the lines open again.
TEST_F(ComCloseTest, UnloadingClosesTheOpenPortsWithAWarning) {
    TestLine& first = line("one");
    TestLine& second = line("two");
    double firstId = open(first);
    open(second);
    reload();
    ThUnloadReport unload = thLastUnloadReport();
    EXPECT_TRUE(unload.exitHookRan);
    EXPECT_FALSE(unload.failed) << unload.message;
    EXPECT_EQ(thWarnings(),
              std::vector<std::string>{"Closing all open Serial Port. It is no longer possible to "
                                       "write to any previously open Serial Port."});
    EXPECT_TRUE(free(first));
    EXPECT_TRUE(free(second));
    EXPECT_EQ(thLiveBlocks(), 0u);

    EXPECT_TRUE(failedWith(call("comclose", {number(firstId)}), closeId, "Cannot close the port."));
    EXPECT_EQ(open(first), firstId);
    ThCallResult written = call("comwrite", {number(firstId), text("hi"), number(4)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(arrived(first), (std::vector<uint8_t>{'h', 0, 'i', 0}));
    EXPECT_EQ(thWarnings().size(), 1u);
}

}  // namespace
