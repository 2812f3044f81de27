// Each port's device as sysfs tells it, on a tree laid out as the kernel lays
// it out (tests/support/fake_sysfs.sh), and comopen's usb: names over it.
#include "device/posix_port_list.h"
#include "device/usb_port_name.h"
#include "tty_fake_sysfs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

BOOL listFake(PortIdentityFound found, void* context) {
    return listTtyPortIdentities(fakeSysfsTree().c_str(), found, context);
}

// "name transport vid:pid serial|manufacturer|product|interface|location|description"
TEST(PortIdentity, EachPortsDeviceFromSysfs) {
    ASSERT_FALSE(fakeSysfsTree().empty());
    std::vector<std::string> found;
    auto keep = [](const PortIdentity* p, void* context) -> BOOL {
        char ids[32];
        std::snprintf(ids, sizeof ids, "%04lx:%04lx", p->vendorId & 0xffff, p->productId & 0xffff);
        static_cast<std::vector<std::string>*>(context)->push_back(
            std::string(p->name) + " " + p->transport + " " + (p->vendorId < 0 ? "-" : ids) +
            (p->productId < 0 ? "-" : "") + " " + p->serialNumber + "|" + p->manufacturer + "|" +
            p->product + "|" + p->interfaceName + "|" + p->location + "|" + p->description);
        return TRUE;
    };
    ASSERT_TRUE(listFake(keep, &found));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{
                         "/dev/rfcomm0 bluetooth -- |||||/dev/rfcomm0",
                         "/dev/ttyACM0 usb 2341:0043 75735353038351A0F0E1|Arduino (www.arduino.cc)"
                         "|||1-4:1.0|Arduino (www.arduino.cc)",
                         "/dev/ttyACM1 usb 2e8a:000a E660583883724A2B|Raspberry Pi|Pico|Board CDC"
                         "|1-3:1.0|Pico - Board CDC",
                         "/dev/ttyS0 native -- |||||/dev/ttyS0",
                         "/dev/ttyUSB0 usb 0403:6001 A50285BI|FTDI|FT232R USB UART|FT232R USB UART"
                         "|1-1|FT232R USB UART - FT232R USB UART",
                         "/dev/ttyUSB1 usb 0403:6010 FT6ZT4KX|FTDI|Dual RS232-HS||1-2.4:1.0"
                         "|Dual RS232-HS",
                         "/dev/ttyUSB2 usb 0403:6010 FT6ZT4KX|FTDI|Dual RS232-HS||1-2.4:1.1"
                         "|Dual RS232-HS",
                         "/dev/ttyUSB3 usb 1a86:7523 ||||1-5|/dev/ttyUSB3",
                     }));
}

TEST(PortIdentity, UsbNamesMatchOnePresentPort) {
    ASSERT_FALSE(fakeSysfsTree().empty());
    struct Case {
        const char* name;
        UsbPortMatch match;
        const char* port;
    } cases[] = {
        {"usb:0403:6001", kOneUsbPort, "/dev/ttyUSB0"},
        {"USB:2E8A:000A", kOneUsbPort, "/dev/ttyACM1"},
        {"uSb:2341:0043:75735353038351A0F0E1", kOneUsbPort, "/dev/ttyACM0"},
        {"usb:0403:6010", kSeveralUsbPorts, ""},           // the FT2232H's two ports
        {"usb:0403:6010:FT6ZT4KX", kSeveralUsbPorts, ""},  // the serial is the device's
        {"usb:0403:6001:a50285bi", kNoUsbPort, ""},        // the serial's case counts
        {"usb:403:6001", kNoUsbPort, ""},                  // malformed: matches nothing
        {"usb:0403:6001:", kNoUsbPort, ""},
        {"usb:04g3:6001", kNoUsbPort, ""},
        {"usbx0403:6001", kNotUsbPortName, ""},
        {"/dev/ttyUSB0", kNotUsbPortName, ""},
    };
    for (const Case& c : cases) {
        char found[64] = "";
        EXPECT_EQ(findUsbPort(c.name, listFake, found, sizeof found), c.match) << c.name;
        EXPECT_STREQ(found, c.port) << c.name;
    }
    char small[8];  // a name that does not fit could not be opened
    EXPECT_EQ(findUsbPort("usb:0403:6001", listFake, small, sizeof small), kNoUsbPort);
}

}  // namespace
