// The FileID rule: the sum of the name's bytes, each taken as signed.
#include "registry/port_id.h"
#include "device/port_name_order.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PortIdTest, SumsTheNamesBytesAsSignedValues) {
    struct {
        std::string name;
        int32_t id;
    } cases[] = {
        {"COM1", 272},
        {"COM12", 322},
        {"COM21", 322},  // names with equal sums share an id
        {"com1", 368},
        {"", 0},
        {"\x80", -128},
        {"\xff\xff", -2},
        {"A\xbf", 0},  // 65 + (-65): refused by comopen like the empty name
        {"/dev/ttyUSB0", 1048},
        {std::string(100000, '\x7f'), 12700000},
        {std::string(100000, '\x80'), -12800000},
    };
    for (const auto& c : cases) EXPECT_EQ(portIdFromName(c.name.c_str()), c.id) << c.name.size();
}

// comlist's order: a trailing number compares as a number.
TEST(PortIdTest, PortNamesSortByStemThenNumber) {
    const char* expected[] = {"/dev/ttyACM0", "/dev/ttyS", "/dev/ttyS2", "/dev/ttyS10",
                              "/dev/ttyUSB0", "COM1",      "COM02",      "COM2",
                              "COM10",        "COM10a"};
    char* names[10];
    for (int i = 0; i < 10; ++i) names[i] = const_cast<char*>(expected[(i * 7) % 10]);
    sortPortNames(names, 10);
    for (int i = 0; i < 10; ++i) EXPECT_STREQ(names[i], expected[i]) << i;
}

}  // namespace
