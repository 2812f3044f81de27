// The FileID rule: the sum of the name's bytes, each taken as signed.
#include "serial/port_id.h"

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

}  // namespace
