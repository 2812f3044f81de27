// Bytes across a pty through WriteFile and ReadFile.
#include "device/posix_handle.h"
#include "device/serial_device.h"
#include "pty_pair.h"
#include "raw_port.h"
#include "write_spy.h"

#include <gtest/gtest.h>

#include <chrono>
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

// As on a Windows handle opened without FILE_FLAG_OVERLAPPED, a call waits
// for the one in progress on its handle: here a write, for a read of 300 ms on
// another thread. A thread's handle is no port, nor a port's a thread.
TEST_F(TransferOnPty, ACallWaitsForTheOneInProgressOnItsHandle) {
    COMMTIMEOUTS timeouts = {0, 0, 300, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    struct Read {
        HANDLE port;
        DWORD received;
    } read = {port, 99};
    LPTHREAD_START_ROUTINE readOne = [](LPVOID argument) -> DWORD {
        Read* read = static_cast<Read*>(argument);
        char byte = 0;
        return ReadFile(read->port, &byte, 1, &read->received, nullptr);
    };
    auto start = std::chrono::steady_clock::now();
    HANDLE thread = CreateThread(nullptr, 0, readOne, &read, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 50), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD written = 0;
    EXPECT_FALSE(ReadFile(thread, &written, 1, &written, nullptr));
    EXPECT_EQ(WaitForSingleObject(port, 0), WAIT_FAILED);
    ASSERT_TRUE(WriteFile(port, "x", 1, &written, nullptr));
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(waited, 0.29) << "the write did not wait for the read";
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(read.received, 0u);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(readAvailable(pair.master, 1, 1000), std::vector<uint8_t>{'x'});
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
