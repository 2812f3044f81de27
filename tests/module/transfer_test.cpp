// comwrite and comread through the loaded module.
#include "port_fixture.h"

#if !defined(_WIN32)
#include "read_spy.h"
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <tuple>

namespace {

const char* const writeId = "QUENTAROX:brindlecast:comwrite";
const char* const readId = "QUENTAROX:brindlecast:comread";
const char* const lineId = "QUENTAROX:brindlecast:comreadline";

class TransferTest : public PortTest {
protected:
    void SetUp() override {
        PortTest::SetUp();
        serial = &line("port");
        id = number(open(*serial));
    }
    // What reached the far end within a short wait.
    std::vector<uint8_t> arrived(size_t max = 4096) { return PortTest::arrived(*serial, max); }
    // The bytes of an array's memory.
    template <typename T>
    static std::vector<uint8_t> memory(const std::vector<T>& values) {
        std::vector<uint8_t> bytes(values.size() * sizeof(T));
        std::memcpy(bytes.data(), values.data(), bytes.size());
        return bytes;
    }

    TestLine* serial = nullptr;
    mxArray* id = nullptr;
};

TEST_F(TransferTest, WritesEachClassAsItsMemory) {
    std::vector<double> doubles{1.5, -2, 1e300};
    std::vector<float> singles{1.5f, -2.25f};
    std::vector<int8_t> int8s{-1, 0, 127};
    std::vector<uint8_t> uint8s{0, 128, 255};
    std::vector<int16_t> int16s{-2, 0x1234};
    std::vector<uint16_t> uint16s{0xabcd, 1};
    std::vector<int32_t> int32s{-5, 0x01020304};
    std::vector<uint32_t> uint32s{0xdeadbeef};
    struct {
        mxClassID classId;
        std::vector<uint8_t> bytes;
        size_t count;
        const void* data;
    } cases[] = {
        {mxDOUBLE_CLASS, memory(doubles), 3, doubles.data()},
        {mxSINGLE_CLASS, memory(singles), 2, singles.data()},
        {mxINT8_CLASS, memory(int8s), 3, int8s.data()},
        {mxUINT8_CLASS, memory(uint8s), 3, uint8s.data()},
        {mxINT16_CLASS, memory(int16s), 2, int16s.data()},
        {mxUINT16_CLASS, memory(uint16s), 2, uint16s.data()},
        {mxINT32_CLASS, memory(int32s), 2, int32s.data()},
        {mxUINT32_CLASS, memory(uint32s), 1, uint32s.data()},
    };
    for (const auto& c : cases) {
        mxArray* data = numeric(c.classId, c.count, c.data);
        ThCallResult result = call("comwrite", {id, data, number(double(c.count))});
        ASSERT_FALSE(result.failed) << result.message;
        EXPECT_EQ(mxGetScalar(result.outputs[0]), double(c.bytes.size())) << c.classId;
        EXPECT_EQ(arrived(), c.bytes) << c.classId;
    }
    // With a class, the values as its elements; comcount's third output counts every byte.
    struct {
        mxArray* data;
        double count;
        const char* className;
        std::vector<uint8_t> bytes;
    } typed[] = {
        {keep(thCreateDoubleRow({1, 255, 0})), 3, "uint8", {1, 255, 0}},
        {text("AB"), 2, "uint8", {'A', 'B'}},
        {keep(thCreateDoubleRow({-2, 0x1234})), 2, "int16", memory(int16s)},
        {numeric(mxINT8_CLASS, 1, "\xfe"), 1, "double", memory(std::vector<double>{-2})},
        {keep(thCreateDoubleRow({1.5, -2.25})), 2, "single", memory(singles)},
        {numeric(mxUINT32_CLASS, 1, uint32s.data()), 1, "uint32", memory(uint32s)},
    };
    double sent = 58;  // by the rows above
    for (const auto& c : typed) {
        ThCallResult result = call("comwrite", {id, c.data, number(c.count), text(c.className)});
        ASSERT_FALSE(result.failed) << result.message;
        EXPECT_EQ(arrived(), c.bytes) << c.className;
        sent += c.bytes.size();
    }
    EXPECT_EQ(mxGetScalar(call("comcount", {id}, 3).outputs[2]), sent);
    // A count below the element count sends that many elements.
    mxArray* three = numeric(mxUINT16_CLASS, 2, uint16s.data());
    EXPECT_EQ(mxGetScalar(call("comwrite", {id, three, number(1.9)}).outputs[0]), 2.0);
    EXPECT_EQ(arrived(), (std::vector<uint8_t>{0xcd, 0xab}));
    // Truncated toward zero, -0.5 is a count of 0, not a negative one.
    ThCallResult none = call("comwrite", {id, three, number(-0.5)});
    ASSERT_FALSE(none.failed) << none.message;
    EXPECT_EQ(mxGetScalar(none.outputs[0]), 0.0);
    EXPECT_TRUE(arrived().empty());
}

// The test host stores a character in two bytes, as MATLAB does: a count of
// n sends the first n bytes of that storage.
TEST_F(TransferTest, CharactersCountOneByteOfTheHostsStorage) {
    mxArray* ab = text("AB");
    EXPECT_EQ(mxGetScalar(call("comwrite", {id, ab, number(2)}).outputs[0]), 2.0);
    EXPECT_EQ(arrived(), (std::vector<uint8_t>{0x41, 0x00}));
    EXPECT_EQ(mxGetScalar(call("comwrite", {id, ab, number(4)}).outputs[0]), 4.0);
    EXPECT_EQ(arrived(), (std::vector<uint8_t>{0x41, 0x00, 0x42, 0x00}));
    EXPECT_TRUE(
        failedWith(call("comwrite", {id, ab, number(5)}), writeId, "Invalid count to COMWRITE."));
    EXPECT_EQ(mxGetScalar(call("comwrite", {id, ab, number(0)}).outputs[0]), 0.0);
    EXPECT_TRUE(arrived().empty());
}

TEST_F(TransferTest, RefusedWritesSendNothing) {
    uint8_t bytes[3] = {1, 2, 3};
    mxArray* three = numeric(mxUINT8_CLASS, 3, bytes);
    mxArray* closed = number(mxGetScalar(id) + 1);
    int64_t wide[2] = {1, 2};
    mxArray* structs = keep(thCreateStruct(1, 2, {"x"}));
    struct {
        const char* what;
        std::vector<const mxArray*> arguments;
        const char* message;
    } cases[] = {
        {"port not open, bad data and count",
         {closed, keep(thCreateCell(1, 1)), number(-1)},
         "Cannot write the port."},
        {"logical",
         {id, keep(thCreateNumeric(mxLOGICAL_CLASS, 1, 3, bytes)), number(1)},
         "Invalid data type to COMWRITE"},
        {"int64",
         {id, numeric(mxINT64_CLASS, 2, wide), number(1)},
         "Invalid data type to COMWRITE"},
        {"uint64",
         {id, numeric(mxUINT64_CLASS, 2, wide), number(1)},
         "Invalid data type to COMWRITE"},
        {"cell", {id, keep(thCreateCell(1, 2)), number(1)}, "Invalid data type to COMWRITE"},
        {"struct", {id, structs, number(1)}, "Invalid data type to COMWRITE"},
        {"function handle",
         {id, keep(thCreateFunctionHandle()), number(1)},
         "Invalid data type to COMWRITE"},
        {"object", {id, keep(thCreateObject()), number(1)}, "Invalid data type to COMWRITE"},
        {"string", {id, string("AB"), number(1)}, "Invalid data type to COMWRITE"},
        {"complex",
         {id, keep(thCreateComplexDouble(1, 2)), number(1)},
         "Invalid data type to COMWRITE"},
        {"sparse",
         {id, keep(thCreateSparseDouble(1, 4)), number(1)},
         "Invalid data type to COMWRITE"},
        {"negative count", {id, three, number(-1)}, "Invalid count to COMWRITE."},
        {"NaN count", {id, three, number(NAN)}, "Invalid count to COMWRITE."},
        {"count past the data", {id, three, number(4)}, "Invalid count to COMWRITE."},
        {"count past the data's bytes",
         {id, numeric(mxUINT16_CLASS, 2, nullptr), number(3)},
         "Invalid count to COMWRITE."},
        {"huge count", {id, three, number(2147483647.0)}, "Invalid count to COMWRITE."},
        {"count wrapping 32 bits",
         {id, numeric(mxDOUBLE_CLASS, 1, nullptr), number(536870912)},
         "Invalid count to COMWRITE."},
        {"three inputs", {id, three}, "Invalid number of inputs to COMWRITE."},
        {"six inputs",
         {id, three, number(1), text("uint8"), number(1)},
         "Invalid number of inputs to COMWRITE."},
        {"class", {id, three, number(1), text("uint64")}, "Invalid class to COMWRITE."},
        {"class of a count past the data",
         {id, three, number(4), text("uint64")},
         "Invalid class to COMWRITE."},
        {"typed count past the data",
         {id, three, number(4), text("int8")},
         "Invalid count to COMWRITE."},
        {"a value the class cannot hold, after one it can",
         {id, keep(thCreateDoubleRow({1, 256})), number(2), text("uint8")},
         "Invalid data to COMWRITE."},
        {"a fraction",
         {id, keep(thCreateDoubleRow({0.5})), number(1), text("int32")},
         "Invalid data to COMWRITE."},
        {"NaN",
         {id, keep(thCreateDoubleRow({NAN})), number(1), text("uint32")},
         "Invalid data to COMWRITE."},
        {"a negative for an unsigned class",
         {id, numeric(mxINT8_CLASS, 1, "\xff"), number(1), text("uint16")},
         "Invalid data to COMWRITE."},
    };
    for (const auto& c : cases) {
        std::vector<const mxArray*> inputs{text("comwrite")};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_TRUE(failedWith(thCall(module, 1, inputs), writeId, c.message)) << c.what;
        EXPECT_EQ(thLiveBlocks(), 1u) << c.what << ": only the registry entry may stay";
    }
    EXPECT_TRUE(arrived().empty());
}

TEST_F(TransferTest, ReadsBytesAsDoublesWithTheirCount) {
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(farWrite(*serial, all.data(), all.size()));
    ThCallResult result = call("comread", {id, number(256)}, 2);
    ASSERT_FALSE(result.failed) << result.message;
    std::vector<double> expected(all.begin(), all.end());
    EXPECT_EQ(row(result.outputs[0]), expected);
    EXPECT_EQ(thRows(result.outputs[0]), 1u);
    EXPECT_EQ(mxGetScalar(result.outputs[1]), 256.0);

    result = call("comread", {id, number(0)}, 2);
    EXPECT_EQ(thRows(result.outputs[0]), 1u);
    EXPECT_EQ(thCols(result.outputs[0]), 0u);
    EXPECT_EQ(mxGetScalar(result.outputs[1]), 0.0);

    // One output asked for: the row alone, no second slot written.
    ASSERT_TRUE(farWrite(*serial, "\x80\xff", 2));
    result = call("comread", {id, number(2)}, 1);
    ASSERT_EQ(result.outputs.size(), 1u);
    EXPECT_EQ(row(result.outputs[0]), (std::vector<double>{128, 255}));

    // Only the low 32 bits of a huge count reach the device.
    ASSERT_TRUE(farWrite(*serial, "xyz", 3));
    result = call("comread", {id, number(4294967296.0 + 3)}, 2);
    EXPECT_EQ(row(result.outputs[0]), (std::vector<double>{'x', 'y', 'z'}));
    EXPECT_EQ(thLiveBlocks(), 1u);
}

TEST_F(TransferTest, ARefusedReadAsksTheDeviceForNothing) {
    ASSERT_TRUE(farWrite(*serial, "k", 1));
    mxArray* closed = number(mxGetScalar(id) + 1);
    uint8_t one = 1;
    struct {
        std::vector<const mxArray*> arguments;
        int failingAllocation;
        const char* message;
        const char* mode = "comread";
    } cases[] = {
        {{closed, number(-1)}, 0, "Cannot read the port."},
        {{id, number(-1)}, 0, "Invalid count to COMREAD."},
        {{id, number(NAN)}, 0, "Invalid count to COMREAD."},
        {{id, number(-INFINITY)}, 0, "Invalid count to COMREAD."},
        {{id, number(1)}, 2, "Memory allocation failed."},
        {{id}, 0, "Invalid number of inputs to COMREAD."},
        {{id, number(1), text("uint8"), id}, 0, "Invalid number of inputs to COMREAD."},
        // A typed read: the port, the count's sign, the class, then whether its bytes fit.
        {{closed, number(-1), number(1)}, 0, "Cannot read the port."},
        {{id, number(-1), number(1)}, 0, "Invalid count to COMREAD."},
        {{id, number(536870912), text("UINT16")}, 0, "Invalid data type to COMREAD."},
        {{id, number(1), text("int64")}, 0, "Invalid data type to COMREAD."},
        {{id, number(1), string("char")}, 0, "Invalid data type to COMREAD."},
        {{id, number(1), number(1)}, 0, "Invalid data type to COMREAD."},
        {{id, number(536870912), text("double")}, 0, "Invalid count to COMREAD."},
        {{id, number(1), string("uint16")}, 3, "Memory allocation failed."},  // the part's room
        {{id, number(1), text("\n"), text("char"), id},
         0,
         "Invalid number of inputs to COMREADLINE.",
         "comreadline"},
        {{id, number(1), text("\n"), text("uint8")},
         0,
         "Invalid data type to COMREADLINE.",
         "comreadline"},
    };
    for (const auto& c : cases) {
        std::vector<const mxArray*> inputs{text(c.mode)};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        thFailAllocation(c.failingAllocation);
        ThCallResult result = thCall(module, 2, inputs);
        thFailAllocation(0);
        EXPECT_TRUE(failedWith(result, std::string("QUENTAROX:brindlecast:") + c.mode, c.message))
            << c.message;
        EXPECT_EQ(thLiveBlocks(), 1u) << c.message;
    }
    for (const mxArray* bad :
         {keep(thCreateNumeric(mxLOGICAL_CLASS, 1, 1, &one)), keep(thCreateComplexDouble(10, 1)),
          text(""), text("123456789"), keep(thCreateCharUnits({0x100})),
          keep(thCreateDoubleRow({13, 256})), keep(thCreateDoubleRow({10.5}))}) {
        EXPECT_TRUE(failedWith(call("comreadline", {id, number(1), bad}, 2), lineId,
                               "Invalid terminator to COMREADLINE."));
    }
    ThCallResult result = call("comread", {id, number(1)}, 2);
    EXPECT_EQ(row(result.outputs[0]), std::vector<double>{'k'}) << "a refused read took the byte";
}

// Each class as comwrite sends it; a part element at the time-out is kept
// and comes back whole with the next bytes.
TEST_F(TransferTest, TypedReadsGiveWholeElementsAndKeepAPart) {
    struct {
        const char* name;
        mxClassID classId;
        std::vector<uint8_t> bytes;  // two elements
    } cases[] = {
        {"double", mxDOUBLE_CLASS, memory(std::vector<double>{1.5, -1e300})},
        {"single", mxSINGLE_CLASS, memory(std::vector<float>{1.5f, -2.25f})},
        {"int8", mxINT8_CLASS, {0x80, 0x7f}},
        {"uint8", mxUINT8_CLASS, {0, 255}},
        {"int16", mxINT16_CLASS, memory(std::vector<int16_t>{-2, 0x1234})},
        {"uint16", mxUINT16_CLASS, memory(std::vector<uint16_t>{0xabcd, 1})},
        {"int32", mxINT32_CLASS, memory(std::vector<int32_t>{-5, 0x01020304})},
        {"uint32", mxUINT32_CLASS, memory(std::vector<uint32_t>{0xdeadbeef, 7})},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(farWrite(*serial, c.bytes.data(), c.bytes.size()));
        ThCallResult result = call("comread", {id, number(2), text(c.name)}, 2);
        ASSERT_FALSE(result.failed) << c.name << ": " << result.message;
        const mxArray* values = result.outputs[0];
        ASSERT_EQ(mxGetClassID(values), c.classId) << c.name;
        ASSERT_TRUE(thRows(values) == 1 && thCols(values) == 2) << c.name;
        EXPECT_EQ(std::memcmp(mxGetData(values), c.bytes.data(), c.bytes.size()), 0) << c.name;
        EXPECT_EQ(mxGetScalar(result.outputs[1]), 2.0) << c.name;
    }
    id = number(open({field("PortName", serial->port), field("ReadTimeout", 0.05)}));
    ASSERT_TRUE(farWrite(*serial, "\x01\x02\x03", 3));
    ThCallResult first = call("comread", {id, number(2), text("uint16")}, 2);
    ASSERT_EQ(thCols(first.outputs[0]), 1u) << first.message;
    EXPECT_EQ(mxGetScalar(first.outputs[0]), 0x0201);
    EXPECT_EQ(mxGetScalar(first.outputs[1]), 1.0);
    EXPECT_EQ(mxGetScalar(call("comcount", {id}).outputs[0]), 1.0) << "the part is not held";
    ASSERT_TRUE(farWrite(*serial, "\x04", 1));
    ThCallResult rest = call("comread", {id, number(1), text("uint16")}, 2);
    EXPECT_EQ(mxGetScalar(rest.outputs[0]), 0x0403);
}

// Two frames 30 ms apart, with ReadIntervalTimeout 0.01, come back one a call.
// comset with ReadTimeout alone keeps the interval, and with the interval
// alone keeps ReadTimeout; ReadTimeout 0 stays at once.
TEST_F(TransferTest, AnIntervalEndsAReadWhenTheLineFallsQuiet) {
    auto timedRead = [this](double* seconds) {
        auto start = std::chrono::steady_clock::now();
        ThCallResult result = call("comread", {id, number(64)}, 2);
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_FALSE(result.failed) << result.message;
        std::vector<double> got = result.failed ? std::vector<double>{} : row(result.outputs[0]);
        return std::string(got.begin(), got.end());
    };
    auto twoFrames = [&](const char* what) {
        std::thread far([this] {
            farWrite(*serial, "first", 5);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            farWrite(*serial, "second", 6);
        });
        double elapsed = 0;
        EXPECT_EQ(timedRead(&elapsed), "first") << what;
        EXPECT_EQ(timedRead(&elapsed), "second") << what;
        EXPECT_LT(elapsed, 0.15) << what;
        far.join();
    };
    // The first part now, the others gapMs apart while one read waits.
    auto spaced = [&](std::vector<std::string> parts, int gapMs) {
        farWrite(*serial, parts[0].data(), parts[0].size());
        std::thread far([this, parts, gapMs] {
            for (size_t i = 1; i < parts.size(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
                farWrite(*serial, parts[i].data(), parts[i].size());
            }
        });
        double elapsed = 0;
        std::string got = timedRead(&elapsed);
        far.join();
        return got;
    };
    id = number(open({field("PortName", serial->port), field("ReadTimeout", 2),
                      field("ReadIntervalTimeout", 0.01)}));
    twoFrames("at open");
    auto set = [this](const char* name, double seconds) {
        ASSERT_FALSE(call("comset", {id, port({field(name, seconds)})}).failed) << name;
    };
    set("ReadTimeout", 0.25);
    twoFrames("after a ReadTimeout");
    set("ReadIntervalTimeout", 0.1);
    double elapsed = 0;
    EXPECT_EQ(timedRead(&elapsed), "");
    EXPECT_TRUE(elapsed >= 0.25 && elapsed < 1.5) << elapsed;
    // That read ended polling at once; the next one's slices wait again.
    EXPECT_EQ(spaced({"abc", "def"}, 20), "abcdef");
    // The interval runs from the last byte: a trickle comes back whole.
    set("ReadIntervalTimeout", 0.03);
    set("ReadTimeout", 2);
    EXPECT_EQ(spaced(std::vector<std::string>(30, "t"), 10), std::string(30, 't'));
    // Beside a reader, which gives the device time-outs of its own.
    ASSERT_FALSE(call("comset", {id, port({field("InputBufferSize", 4096), field("ReadTimeout", 2),
                                           field("ReadIntervalTimeout", 0.1)})})
                     .failed);
    // A quiet line slows its polls: the first burst is the device's, not held.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(spaced({"abc", "def"}, 20), "abcdef");
    set("ReadTimeout", 0);
    ASSERT_TRUE(farWrite(*serial, "ab", 2));
    for (int i = 0; i < 100 && mxGetScalar(call("comcount", {id}).outputs[0]) != 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(timedRead(&elapsed), "ab");
    EXPECT_LT(elapsed, 0.09);
}

// Ctrl-C ends every wait within 100 ms of its raising: the call returns, the
// host drops its outputs, and the bytes that had arrived come back from the
// next read. A break is cleared and the port keeps working.
TEST_F(TransferTest, CtrlCEndsEveryWaitAndKeepsWhatArrived) {
    std::vector<uint8_t> big(1 << 20, 0x55);
    mxArray* data = numeric(mxUINT8_CLASS, big.size(), big.data());
    struct {
        const char* timeoutField;  // opened with it, or (null) with no time-outs
        double seconds;
        const char* mode;
        std::vector<const mxArray*> arguments;
        std::string kept;  // what the next read returns
    } cases[] = {
        {"ReadTimeout", INFINITY, "comread", {number(10)}, "ab"},
        {nullptr, 0, "comread", {number(10)}, "ab"},
        {"ReadTimeout", INFINITY, "comreadline", {number(10)}, "ab"},
        {"ReadTimeout", 10, "comreadline", {number(10)}, "ab"},
        {"ReadTimeout", 10, "comread", {number(10), text("int16")}, "ab"},
        {nullptr, 0, "comwrite", {data, number(big.size())}, ""},
        {nullptr, 0, "combreak", {number(10)}, ""},
    };
    for (const auto& c : cases) {
        // Each case opens the port afresh; the far end of the write never reads.
        id = number(c.timeoutField
                        ? open({field("PortName", serial->port), field(c.timeoutField, c.seconds)})
                        : open(*serial));
        if (!c.kept.empty()) {
            ASSERT_TRUE(farWrite(*serial, c.kept.data(), c.kept.size()));
        }
        std::chrono::steady_clock::time_point raised;
        std::thread ctrlC([&raised] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            raised = std::chrono::steady_clock::now();
            thRaiseInterrupt();
        });
        std::vector<const mxArray*> inputs{text(c.mode), id};
        inputs.insert(inputs.end(), c.arguments.begin(), c.arguments.end());
        ThCallResult result = thCall(module, 2, inputs);
        auto ended = std::chrono::steady_clock::now();
        ctrlC.join();
        EXPECT_TRUE(result.interrupted && !result.failed) << c.mode << " " << result.message;
        EXPECT_LT(std::chrono::duration<double>(ended - raised).count(), 0.1) << c.mode;
        thReleaseOutputs(result);
        ASSERT_FALSE(call("comset", {id, port({field("ReadTimeout", 0)})}).failed);
        ThCallResult next = call("comread", {id, number(10)}, 2);
        ASSERT_FALSE(next.failed || next.interrupted) << c.mode;
        EXPECT_EQ(row(next.outputs[0]), std::vector<double>(c.kept.begin(), c.kept.end()))
            << c.mode;
    }
}

// Without a read time-out a read waits until every byte asked for has
// arrived. Windows ports start with all COMMTIMEOUTS zero, which means just
// that, and the module never sets them.
TEST_F(TransferTest, WithoutATimeOutAReadWaitsForEveryByte) {
    ASSERT_TRUE(farWrite(*serial, "\x01\x02", 2));
    std::thread rest([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        farWrite(*serial, "\x03\x04\x05", 3);
    });
    ThCallResult result = call("comread", {id, number(5)}, 2);
    rest.join();
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_EQ(row(result.outputs[0]), (std::vector<double>{1, 2, 3, 4, 5}));
    EXPECT_EQ(mxGetScalar(result.outputs[1]), 5.0);
}

#if !defined(_WIN32)
// Under Wine COMMTIMEOUTS belong to a handle, and only the module has its
// handle: there is no time-out to give it from outside.
TEST_F(TransferTest, AReadTimeOutEndsAShortRead) {
    ASSERT_FALSE(call("comclose", {id}).failed);
    ASSERT_TRUE(setReadTimeout(serial->pty.slave, 0, 1));
    id = number(open(*serial));
    ASSERT_TRUE(farWrite(*serial, "\x01\x02", 2));
    ThCallResult result = call("comread", {id, number(5)}, 2);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_EQ(row(result.outputs[0]), (std::vector<double>{1, 2}));
    EXPECT_EQ(mxGetScalar(result.outputs[1]), 2.0);
}
#endif

TEST_F(TransferTest, AHungUpLineIsReportedInTheCountsNotAsAnError) {
    ASSERT_TRUE(hangUp(*serial));
#if !defined(_WIN32)
    // Under Wine this read would never end: with all COMMTIMEOUTS zero it
    // polls the hung-up pty, which reports end of file, for ever.
    ThCallResult read = call("comread", {id, number(4)}, 2);
    ASSERT_FALSE(read.failed) << read.message;
    EXPECT_EQ(thCols(read.outputs[0]), 1u);
    EXPECT_EQ(mxGetScalar(read.outputs[0]), 0.0);
    EXPECT_EQ(mxGetScalar(read.outputs[1]), 0.0);
#endif

    uint8_t bytes[2] = {1, 2};
    ThCallResult written = call("comwrite", {id, numeric(mxUINT8_CLASS, 2, bytes), number(2)});
    ASSERT_FALSE(written.failed) << written.message;
    EXPECT_EQ(mxGetScalar(written.outputs[0]), 0.0);
    EXPECT_FALSE(call("comclose", {id}).failed);
    EXPECT_EQ(thLiveBlocks(), 0u);
}

// Ids and counts that hold no number: never the host's own error, always the
// module's, with nothing sent or taken.
TEST_F(TransferTest, IdsAndCountsWithNoNumberInThem) {
    ASSERT_TRUE(farWrite(*serial, "k", 1));
    uint8_t byte = 7;
    mxArray* data = numeric(mxUINT8_CLASS, 1, &byte);
    const char* const closeId = "QUENTAROX:brindlecast:comclose";
    const char* const countId = "QUENTAROX:brindlecast:comcount";
    const char* const flushId = "QUENTAROX:brindlecast:comflush";
    for (mxArray* none : {keep(thCreateNumeric(mxDOUBLE_CLASS, 0, 0, nullptr)),
                          keep(thCreateCell(0, 0)), keep(thCreateStruct(1, 1, {"x"})),
                          keep(thCreateFunctionHandle()), keep(thCreateObject())}) {
        struct {
            std::vector<const mxArray*> inputs;
            const char* identifier;
            const char* message;
        } cases[] = {
            {{text("comclose"), none}, closeId, "Cannot close the port."},
            {{text("comwrite"), none, data, number(1)}, writeId, "Cannot write the port."},
            {{text("comwrite"), id, data, none}, writeId, "Invalid count to COMWRITE."},
            {{text("comread"), none, number(1)}, readId, "Cannot read the port."},
            {{text("comread"), id, none}, readId, "Invalid count to COMREAD."},
            {{text("comcount"), none}, countId, "Cannot query the port."},
            {{text("comflush"), none}, flushId, "Cannot flush the port."},
            {{text("comflush"), id, none}, flushId, "Invalid buffer in input to COMFLUSH."},
            {{text("comreadline"), none, number(1)}, lineId, "Cannot read the port."},
            {{text("comreadline"), id, none}, lineId, "Invalid count to COMREADLINE."},
        };
        for (const auto& c : cases) {
            EXPECT_TRUE(failedWith(thCall(module, 2, c.inputs), c.identifier, c.message))
                << c.message << " for " << mxGetClassID(none);
        }
    }
    EXPECT_TRUE(arrived().empty());
    ThCallResult result = call("comread", {id, number(1)}, 2);
    EXPECT_EQ(row(result.outputs[0]), std::vector<double>{'k'}) << "a refused call took the byte";
    EXPECT_EQ(thLiveBlocks(), 1u);
}

// Bounded waits, on a silent line: at once with ReadTimeout 0, after the time
// with 0.2 (with what arrived by then), never before all bytes with Inf.
TEST_F(TransferTest, ReadTimeOuts) {
    auto reopen = [this](const char* name, double seconds) {
        id = number(open({field("PortName", serial->port), field(name, seconds)}));
    };
    auto timedRead = [this](double count, double* seconds) {
        auto start = std::chrono::steady_clock::now();
        ThCallResult result = call("comread", {id, number(count)}, 2);
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_FALSE(result.failed) << result.message;
        return result.failed ? std::vector<double>{-1} : row(result.outputs[0]);
    };
    double elapsed = 0;
    reopen("ReadTimeout", 0);
    EXPECT_TRUE(timedRead(10, &elapsed).empty());
    EXPECT_LT(elapsed, 0.15);
    reopen("ReadTimeout", 0.0005);  // rounded up to 1 ms, not down to at once
    EXPECT_TRUE(timedRead(10, &elapsed).empty());
    EXPECT_GE(elapsed, 0.001);
    reopen("ReadTimeout", 0.2);
    EXPECT_TRUE(timedRead(10, &elapsed).empty());
    EXPECT_GE(elapsed, 0.19);
    EXPECT_LT(elapsed, 1.5);
    ASSERT_TRUE(farWrite(*serial, "\x01\x02\x03", 3));
    EXPECT_EQ(timedRead(10, &elapsed), (std::vector<double>{1, 2, 3}));

    reopen("ReadTimeout", INFINITY);
    std::thread later([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        farWrite(*serial, "0123456789", 10);
    });
    EXPECT_EQ(timedRead(10, &elapsed).size(), 10u);
    later.join();
    EXPECT_GE(elapsed, 0.25);
}

// A write the far end never takes ends at its time-out with the count that
// got through.
TEST_F(TransferTest, AWriteTimeOutEndsAWriteTheFarEndDoesNotTake) {
    id = number(open({field("PortName", serial->port), field("WriteTimeout", 0.2)}));
    std::vector<uint8_t> data(1 << 20, 0x55);
    auto start = std::chrono::steady_clock::now();
    ThCallResult result =
        call("comwrite", {id, numeric(mxUINT8_CLASS, data.size(), data.data()), number(1 << 20)});
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_LT(mxGetScalar(result.outputs[0]), double(1 << 20));
    EXPECT_GE(elapsed, 0.19);
    EXPECT_LT(elapsed, 3.0);
}

// After a hang-up a timed read ends at the hang-up (or, under Wine, at its
// time), never waits on.
TEST_F(TransferTest, ATimedReadOfAHungUpLineEnds) {
#if defined(_WIN32)
    const double timeout = 1;  // Wine polls the hung-up pty until the time is up
#else
    const double timeout = 5;
#endif
    id = number(open({field("PortName", serial->port), field("ReadTimeout", timeout)}));
    ASSERT_TRUE(hangUp(*serial));
    auto start = std::chrono::steady_clock::now();
    ThCallResult read = call("comread", {id, number(4)}, 2);
    double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(read.failed) << read.message;
    EXPECT_EQ(mxGetScalar(read.outputs[1]), 0.0);
    EXPECT_LT(elapsed, 3.0);
}

// comreadline without ReadTimeout, then with 0.25 s, then 0.6 s given by comset; a 200-byte line
// that is waiting takes at most 3 reads. A line comes as soon as it is there, also under Wine,
// where kernel32's "return as soon as any byte arrives" time-outs ({MAXDWORD, MAXDWORD, c}) wait
// the whole c on a pty-backed COM port: the module waits for one byte instead.
TEST_F(TransferTest, ReadsLinesWholeAndKeepsWhatCameAfter) {
    double timeout = 0;
    auto bytes = [](const std::string& text) {
        return std::vector<double>(text.begin(), text.end());
    };
    auto send = [&](const std::string& text, double waiting) {  // then comcount is waiting
        ASSERT_TRUE(farWrite(*serial, text.data(), text.size()));
        for (int i = 0; i < 100 && mxGetScalar(call("comcount", {id}).outputs[0]) != waiting; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    auto sendLater = [this](std::vector<std::string> parts) {  // 100 ms apart
        return std::thread([this, parts] {
            for (const std::string& part : parts) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                farWrite(*serial, part.data(), part.size());
            }
        });
    };
    // A line, neither early nor late, then comcount (-1: not checked).
    auto expectLine = [&](const std::string& line, double left, double maxcount = 64,
                          const char* terminator = nullptr) {
        auto start = std::chrono::steady_clock::now();
        ThCallResult result = terminator
                                  ? call("comreadline", {id, number(maxcount), text(terminator)}, 2)
                                  : call("comreadline", {id, number(maxcount)}, 2);
        double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_FALSE(result.failed) << result.message;
        EXPECT_EQ(row(result.outputs[0]), bytes(line));
        EXPECT_EQ(mxGetScalar(result.outputs[1]), double(line.size()));
        double due = line.empty() ? timeout : 0;
        EXPECT_TRUE(elapsed >= due && elapsed < due + (line.empty() ? 0.3 : 1.5)) << elapsed;
        if (left >= 0) {
            EXPECT_EQ(mxGetScalar(call("comcount", {id}).outputs[0]), left) << line;
        }
    };
    std::thread later = sendLater({"ab", "cd", "e\r", "\nz"});  // CR and LF in two reads
    expectLine("abcde\r\n", -1, 8, "\r\n");
    later.join();
    id = number(open({field("PortName", serial->port), field("ReadTimeout", timeout = 0.25)}));
    EXPECT_EQ(thLiveBlocks(), 1u) << "a reopen keeps what was read ahead";
    later = sendLater({"a", "b", "c", "d"});
    expectLine("", -1);  // bound from the call's start
    later.join();
    ASSERT_FALSE(call("comflush", {id, text("input")}).failed);
    // Its waits were its own: a silent comread waits the port's whole time.
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(row(call("comread", {id, number(1)}).outputs[0]).empty());
    EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              0.24);
    send("one\ntw", 6);
    expectLine("one\n", 2, 8);  // "tw" held in a block of 8 bytes,
    send("o\n", 4);
    expectLine("two\n", 0);  // and kept when it grows
    send("a\rb\r\nc\r\nabcdefg\r\n", 17);
    expectLine("a\rb\r\n", 12, 64, "\r\n");
    expectLine("c\r\n", 9, 64, "\r\n");
    expectLine("abcd", 5, 4, "\r\n");
    expectLine("efg\r", 1, 4, "\r\n");  // the LF would end past maxcount
    expectLine("\n", 0);
    send("hal", 3);
#if !defined(_WIN32)
    // Two bytes, then the device fails: they are kept, as at a time-out.
    spyFailReadsAfter(moduleDescriptor(*serial), 2, EIO);
    EXPECT_TRUE(row(call("comreadline", {id, number(64)}).outputs[0]).empty());
    spyReadReset();
#endif
    expectLine("", 3);
    send("f\n", 5);
    expectLine("half\n", 0);
    std::string waiting = std::string(199, 'x') + "\n";
    send(waiting + "two\nthree\n", 214);
#if !defined(_WIN32)
    spyCountReads(true);
#endif
    expectLine(waiting, 10, 1000);
    EXPECT_EQ(row(call("comread", {id, number(3)}).outputs[0]), bytes("two"));
#if !defined(_WIN32)
    EXPECT_LE(spyReadsCounted(), 3) << "not read in blocks";
    spyCountReads(false);
#endif
    expectLine("\n", 6);
    EXPECT_EQ(row(call("comread", {id, number(3)}).outputs[0]), bytes("thr"));
    send("xyz", 6);
    EXPECT_EQ(row(call("comread", {id, number(9)}).outputs[0]), bytes("ee\nxyz"));
    send("four\nfive\n", 10);
    expectLine("four\n", 5);
    send("six\nseven\n", 15);  // held first, then from the device what the count leaves
    EXPECT_EQ(row(call("comread", {id, number(8)}).outputs[0]), bytes("five\nsix"));
    expectLine("\n", 6);
    ASSERT_FALSE(call("comflush", {id, text("input")}).failed);
    send("wxyz", 4);
    expectLine("wxyz", 0, 4);  // exactly maxcount, nothing behind: at once
    ASSERT_FALSE(call("comset", {id, port({field("ReadTimeout", timeout = 0.6)})}).failed);
    expectLine("", 0);  // the new time-out, not the one read before
    // As text: a char row without the terminator, which n counts; a line cut
    // at maxcount keeps all it has.
    send("t\xe9xt\r\nmore", 11);
    for (auto [maxcount, line, n] : {std::tuple(64, "t\xe9xt", 6), std::tuple(3, "mor", 3)}) {
        ThCallResult asText =
            call("comreadline", {id, number(maxcount), text("\r\n"), text("CHAR")}, 2);
        ASSERT_FALSE(asText.failed) << asText.message;
        std::string got;
        for (uint16_t unit : thCharUnits(asText.outputs[0])) got += static_cast<char>(unit);
        EXPECT_EQ(got, line);
        EXPECT_EQ(mxGetScalar(asText.outputs[1]), n);
    }
    send("str\r\n", 6);  // behind the "e" left held
    ThCallResult asString = call("comreadline", {id, number(64), text("\r\n"), text("string")}, 2);
    ASSERT_FALSE(asString.failed) << asString.message;
    EXPECT_EQ(thStringText(asString.outputs[0]), "estr");
}

}  // namespace
