// comclose through the loaded module, on pseudo-terminals.
#include "port_fixture.h"

#include <cmath>

namespace {

const char* const closeId = "QUENTAROX:brindlecast:comclose";

using ComCloseTest = PortTest;

TEST_F(ComCloseTest, ClosesTheDeviceAndForgetsThePort) {
    PtyPair& pair = line("port");
    int before = countOpenDescriptors();
    double id = open({field("PortName", path("port"))});
    EXPECT_FALSE(free(pair));

    EXPECT_FALSE(call("comclose", {number(id)}).failed);
    EXPECT_TRUE(free(pair));
    EXPECT_EQ(countOpenDescriptors(), before);
    EXPECT_EQ(thLiveBlocks(), 0u);

    EXPECT_TRUE(failedWith(call("comclose", {number(id)}), closeId, "Cannot close the port."));
    EXPECT_EQ(thLiveBlocks(), 0u);
}

TEST_F(ComCloseTest, TruncatesTheIdTowardZero) {
    line("port");
    double id = open({field("PortName", path("port"))});
    for (double wrong : std::vector<double>{-(id + 0.9), -id, NAN, INFINITY, id + 1, 0.0, -1.0}) {
        EXPECT_TRUE(
            failedWith(call("comclose", {number(wrong)}), closeId, "Cannot close the port."))
            << wrong;
        EXPECT_EQ(thPersistentBlocks(), 1u) << "a failed close changed the registry";
    }
    // Any numeric class: the first element is the id.
    int32_t asInteger[] = {static_cast<int32_t>(id), 99};
    EXPECT_FALSE(call("comclose", {numeric(mxINT32_CLASS, 2, asInteger)}).failed);
    open({field("PortName", path("port"))});
    EXPECT_FALSE(call("comclose", {number(id + 0.9)}).failed);
    EXPECT_EQ(thPersistentBlocks(), 0u);
}

TEST_F(ComCloseTest, LeavesOtherPortsWorking) {
    PtyPair& first = line("one");
    PtyPair& second = line("two");
    double firstId = open({field("PortName", path("one"))});
    double secondId = open({field("PortName", path("two"))});
    ASSERT_FALSE(call("comclose", {number(firstId)}).failed);
    EXPECT_TRUE(free(first));

    uint8_t bytes[] = {1, 2};
    ThCallResult written =
        call("comwrite", {number(secondId), numeric(mxUINT8_CLASS, 2, bytes), number(2)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(readAvailable(second.master, 2, 1000), (std::vector<uint8_t>{1, 2}));
    ASSERT_TRUE(writeAll(second.master, "\x07", 1));
    ThCallResult read = call("comread", {number(secondId), number(1)}, 2);
    ASSERT_FALSE(read.failed) << read.message;
    EXPECT_EQ(row(read.outputs[0]), std::vector<double>{7});
}

}  // namespace
