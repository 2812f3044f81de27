// Each port's device as sysfs tells it, on a tree laid out as the kernel lays
// it out (tests/support/fake_sysfs.sh), and comopen's usb: names over it.
#include "device/posix_port_list.h"
#include "device/usb_port_name.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

struct Row {
    std::string transport;
    long vendorId, productId;
    std::string serial, manufacturer, product, interfaceName, location, description;
};

// Made once, removed when the tests end.
struct FakeSysfs {
    std::string root;
    FakeSysfs() {
        char folder[] = "/tmp/brindlecast-sysfs-XXXXXX";
        if (mkdtemp(folder) == nullptr) return;
        std::string command = std::string("sh " BRINDLECAST_FAKE_SYSFS " ") + folder;
        if (std::system(command.c_str()) == 0) root = folder;
    }
    ~FakeSysfs() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

const std::string& fakeSysfs() {
    static FakeSysfs tree;
    return tree.root;
}

BOOL listFake(PortIdentityFound found, void* context) {
    return listTtyPortIdentities(fakeSysfs().c_str(), found, context);
}

TEST(PortIdentity, EachPortsDeviceFromSysfs) {
    ASSERT_FALSE(fakeSysfs().empty());
    std::map<std::string, Row> found;
    auto keep = [](const PortIdentity* p, void* context) -> BOOL {
        (*static_cast<std::map<std::string, Row>*>(context))[p->name] = {
            p->transport, p->vendorId,      p->productId, p->serialNumber, p->manufacturer,
            p->product,   p->interfaceName, p->location,  p->description};
        return TRUE;
    };
    ASSERT_TRUE(listFake(keep, &found));
    const std::map<std::string, Row> expected = {
        {"/dev/ttyUSB0",
         {"usb", 0x0403, 0x6001, "A50285BI", "FTDI", "FT232R USB UART", "FT232R USB UART", "1-1",
          "FT232R USB UART - FT232R USB UART"}},
        {"/dev/ttyUSB1",
         {"usb", 0x0403, 0x6010, "FT6ZT4KX", "FTDI", "Dual RS232-HS", "", "1-2.4:1.0",
          "Dual RS232-HS"}},
        {"/dev/ttyUSB2",
         {"usb", 0x0403, 0x6010, "FT6ZT4KX", "FTDI", "Dual RS232-HS", "", "1-2.4:1.1",
          "Dual RS232-HS"}},
        {"/dev/ttyACM0",
         {"usb", 0x2341, 0x0043, "75735353038351A0F0E1", "Arduino (www.arduino.cc)", "", "",
          "1-4:1.0", "Arduino (www.arduino.cc)"}},
        {"/dev/ttyACM1",
         {"usb", 0x2e8a, 0x000a, "E660583883724A2B", "Raspberry Pi", "Pico", "Board CDC", "1-3:1.0",
          "Pico - Board CDC"}},
        {"/dev/ttyUSB3", {"usb", 0x1a86, 0x7523, "", "", "", "", "1-5", "/dev/ttyUSB3"}},
        {"/dev/rfcomm0", {"bluetooth", -1, -1, "", "", "", "", "", "/dev/rfcomm0"}},
        {"/dev/ttyS0", {"native", -1, -1, "", "", "", "", "", "/dev/ttyS0"}},
    };
    ASSERT_EQ(found.size(), expected.size());
    for (const auto& [name, want] : expected) {
        const Row& got = found[name];
        EXPECT_EQ(
            std::tie(got.transport, got.vendorId, got.productId, got.serial, got.manufacturer,
                     got.product, got.interfaceName, got.location, got.description),
            std::tie(want.transport, want.vendorId, want.productId, want.serial, want.manufacturer,
                     want.product, want.interfaceName, want.location, want.description))
            << name;
    }
}

TEST(PortIdentity, UsbNamesMatchOnePresentPort) {
    ASSERT_FALSE(fakeSysfs().empty());
    struct Case {
        const char* name;
        UsbPortMatch match;
        const char* port;
    } cases[] = {
        {"usb:0403:6001", kOneUsbPort, "/dev/ttyUSB0"},
        {"USB:2E8A:000A", kOneUsbPort, "/dev/ttyACM1"},
        {"uSb:2341:0043:75735353038351A0F0E1", kOneUsbPort, "/dev/ttyACM0"},
        {"usb:0403:6010", kSeveralUsbPorts, ""},           // both ports of the FT2232H
        {"usb:0403:6010:FT6ZT4KX", kSeveralUsbPorts, ""},  // the serial is the device's
        {"usb:0403:6001:a50285bi", kNoUsbPort, ""},        // the serial's case counts
        {"usb:0403:6001:A50285B", kNoUsbPort, ""},
        {"usb:0403:6002", kNoUsbPort, ""},
        {"usb:403:6001", kNoUsbPort, ""},  // malformed usb: names match nothing
        {"usb:0403:6001:", kNoUsbPort, ""},
        {"usb:0403-6001", kNoUsbPort, ""},
        {"usb:04g3:6001", kNoUsbPort, ""},
        {"usb:", kNoUsbPort, ""},
        {"/dev/ttyUSB0", kNotUsbPortName, ""},
        {"usb", kNotUsbPortName, ""},
        {"usbx0403:6001", kNotUsbPortName, ""},
    };
    for (const Case& c : cases) {
        char found[64] = "untouched";
        EXPECT_EQ(findUsbPort(c.name, listFake, found, sizeof found), c.match) << c.name;
        if (c.match == kOneUsbPort) {
            EXPECT_STREQ(found, c.port) << c.name;
        }
    }
    char small[8];
    EXPECT_EQ(findUsbPort("usb:0403:6001", listFake, small, sizeof small), kNoUsbPort)
        << "a name that does not fit";
}

}  // namespace
