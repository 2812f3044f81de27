// Bytes across a pty through WriteFile and ReadFile.
#include "device/posix_handle.h"
#include "device/serial_device.h"
#include "pty_pair.h"
#include "raw_port.h"
#include "write_spy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

using TransferOnPty = RawPortOnPty;

TEST_F(TransferOnPty, EveryByteValueCrossesBothWays) {
    std::vector<uint8_t> all(256);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i);

    DWORD count = 0;
    ASSERT_TRUE(WriteFile(port, all.data(), 256, &count, nullptr));
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(readAvailable(pair.master, 256, 2000), all);

    ASSERT_TRUE(writeAll(pair.master, all.data(), all.size()));
    std::vector<uint8_t> received(256);
    ASSERT_TRUE(ReadFile(port, received.data(), 256, &count, nullptr));
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(received, all);
}

TEST_F(TransferOnPty, OneMebibyteInOneWrite) {
    std::vector<uint8_t> data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 11));
    std::vector<uint8_t> arrived;
    std::thread reader([&] { arrived = readAvailable(pair.master, data.size(), 2000); });
    DWORD count = 0;
    BOOL written = WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &count, nullptr);
    reader.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(count, data.size());
    EXPECT_TRUE(arrived == data);
}

TEST_F(TransferOnPty, PartialWritesResumeWhereTheyStopped) {
    std::vector<uint8_t> data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + (i >> 9));
    const bool timed[] = {false, true};  // a write without time-out, then with {0, 0}
    for (bool withTimeouts : timed) {
        COMMTIMEOUTS none = {};
        if (withTimeouts) {
            ASSERT_TRUE(SetCommTimeouts(port, &none));
        }
        std::vector<uint8_t> arrived;
        std::thread reader([&] { arrived = readAvailable(pair.master, data.size(), 2000); });
        spyShortWrites(descriptorFromHandle(port), 4093);
        DWORD count = 0;
        BOOL written =
            WriteFile(port, data.data(), static_cast<DWORD>(data.size()), &count, nullptr);
        spyWriteReset();
        reader.join();
        EXPECT_TRUE(written) << withTimeouts;
        EXPECT_EQ(count, data.size()) << withTimeouts;
        EXPECT_TRUE(arrived == data) << withTimeouts;
    }
}

TEST_F(TransferOnPty, ReadReturnsWhatArrivedWithinTheTimeout) {
    ASSERT_TRUE(setReadTimeout(pair.slave, 0, 1));
    char buffer[5] = {};
    DWORD count = 99;
    ASSERT_TRUE(ReadFile(port, buffer, 0, &count, nullptr));
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(WriteFile(port, buffer, 0, &count, nullptr));
    EXPECT_EQ(count, 0u);

    ASSERT_TRUE(writeAll(pair.master, "hi", 2));
    ASSERT_TRUE(ReadFile(port, buffer, 5, &count, nullptr));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(buffer, 2), "hi");
    ASSERT_TRUE(ReadFile(port, buffer, 5, &count, nullptr));
    EXPECT_EQ(count, 0u);
}

TEST_F(TransferOnPty, HangUpFailsReadAndWrite) {
    closeMaster(&pair);
    char buffer[4] = {};
    DWORD count = 99;
    EXPECT_FALSE(ReadFile(port, buffer, 4, &count, nullptr));
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_FALSE(WriteFile(port, "abcd", 4, &count, nullptr));
    EXPECT_EQ(count, 0u);
    DCB dcb = {};
    EXPECT_FALSE(GetCommState(port, &dcb));
}

}  // namespace
