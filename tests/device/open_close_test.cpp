// Opening ports by name, holding them exclusively, closing them.
#include "descriptor_count.h"
#include "device/posix_port_list.h"
#include "device/posix_port_name.h"
#include "device/serial_device.h"
#include "open_port.h"
#include "pty_pair.h"
#include "termios_spy.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

TEST(PortName, MapsWindowsNamesToDevicePaths) {
    struct Case {
        std::string name;
        const char* path;  // nullptr: refused
    } cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"com12", "/dev/ttyS11"},
        {"cOm3", "/dev/ttyS2"},
        {"\\\\.\\COM10", "/dev/ttyS9"},
        {"COM0", "/dev/COM0"},
        {"COM01", "/dev/COM01"},
        {"COM1x", "/dev/COM1x"},
        {"COM", "/dev/COM"},
        {"COM12345678901", "/dev/COM12345678901"},
        {"/tmp/some link", "/tmp/some link"},
        {"\\\\.\\/dev/pts/4", "/dev/pts/4"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"pts/7", "/dev/pts/7"},
        {"", nullptr},
        {"\\\\.\\", nullptr},
        {std::string(kMaxPortNameLength + 1, 'a'), nullptr},
    };
    for (const Case& c : cases) {
        std::string path = "untouched";
        bool mapped = devicePathFromPortName(c.name.c_str(), &path);
        EXPECT_EQ(mapped, c.path != nullptr) << c.name;
        EXPECT_EQ(path, c.path ? c.path : "untouched") << c.name;
    }
    std::string longPath;
    ASSERT_TRUE(devicePathFromPortName(std::string(kMaxPortNameLength, 'b').c_str(), &longPath));
    EXPECT_EQ(longPath.size(), kMaxPortNameLength + 5);
    EXPECT_FALSE(devicePathFromPortName(nullptr, &longPath));
}

// The port list over a folder laid out as /sys/class/tty is ("-": no device
// link; the type file's text after a space): ttyS1 has no UART; rfcomm0, a
// bound Bluetooth port, has no device link.
TEST(PortName, ListsTheTtysWithADeviceExceptThoseWithNoUart) {
    char folder[] = "/tmp/brindlecast-tty-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string root = folder;
    for (std::string entry :
         {"ttyS0 4", "ttyS1 0", "ttyUSB0", "tty1-", "ttyACM3 01", "ttyS2- 4", "rfcomm0-"}) {
        std::string name = entry.substr(0, entry.find_first_of(" -")), path = root + "/" + name;
        std::filesystem::create_directory(path);
        if (entry.find('-') == std::string::npos)
            std::filesystem::create_directory_symlink("..", path + "/device");
        if (entry.find(' ') != std::string::npos)
            std::ofstream(path + "/type") << entry.substr(entry.find(' ') + 1) << "\n";
    }
    std::vector<std::string> found;
    auto keep = [](const char* name, void* context) -> BOOL {
        static_cast<std::vector<std::string>*>(context)->push_back(name);
        return TRUE;
    };
    EXPECT_TRUE(listTtyPorts(root.c_str(), keep, &found));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"/dev/rfcomm0", "/dev/ttyACM3", "/dev/ttyS0",
                                               "/dev/ttyUSB0"}));
    found.clear();
    EXPECT_TRUE(listTtyPorts((root + "/none").c_str(), keep, &found)) << "no /sys: no ports";
    EXPECT_TRUE(found.empty());
    std::filesystem::remove_all(root);
}

TEST(OpenClose, SecondOpenRefusedUntilFirstCloses) {
    PtyPair pair;
    ASSERT_TRUE(openPtyPair(&pair));
    std::string link = makeSymlink(pair.slavePath, "/tmp");
    ASSERT_FALSE(link.empty());

    HANDLE first = openPort("\\\\.\\" + pair.slavePath);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    int claimed = 0;
    ASSERT_EQ(ioctl(pair.slave, TIOCGEXCL, &claimed), 0);
    EXPECT_EQ(claimed, 1);
    EXPECT_EQ(openPort(link), INVALID_HANDLE_VALUE);

    EXPECT_TRUE(CloseHandle(first));
    ASSERT_EQ(ioctl(pair.slave, TIOCGEXCL, &claimed), 0);
    EXPECT_EQ(claimed, 0);  // a non-root process could reopen it
    HANDLE second = openPort(link);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(second));
    unlink(link.c_str());
    closePtyPair(&pair);
}

TEST(OpenClose, FailedOpensLeakNoDescriptor) {
    PtyPair pair;
    ASSERT_TRUE(openPtyPair(&pair));
    HANDLE held = openPort(pair.slavePath);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    int before = countOpenDescriptors();
    const std::string refused[] = {"/nonexistent/port", "/tmp", pair.slavePath,
                                   std::string(kMaxPortNameLength + 1, 'x'), ""};
    for (const std::string& name : refused) {
        EXPECT_EQ(openPort(name), INVALID_HANDLE_VALUE) << name;
    }
    EXPECT_EQ(CreateFileA(pair.slavePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, 2, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);  // CREATE_ALWAYS
    EXPECT_EQ(countOpenDescriptors(), before);
    EXPECT_TRUE(CloseHandle(held));
    EXPECT_EQ(countOpenDescriptors(), before - 1);
    closePtyPair(&pair);
}

TEST(OpenClose, NonTerminalOpensButHasNoCommState) {
    HANDLE null = openPort("/dev/null");
    ASSERT_NE(null, INVALID_HANDLE_VALUE);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    EXPECT_FALSE(GetCommState(null, &dcb));
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    spyReset();
    EXPECT_FALSE(SetCommState(null, &dcb));
    EXPECT_EQ(spyTcsetattrCalls(), 0);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(null, "abc", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    COMMTIMEOUTS timeouts = {};
    EXPECT_FALSE(SetCommTimeouts(null, &timeouts));
    EXPECT_FALSE(ClearCommError(null, nullptr, nullptr));
    EXPECT_FALSE(PurgeComm(null, PURGE_RXCLEAR));
    EXPECT_FALSE(PurgeComm(null, PURGE_RXABORT));
    EXPECT_TRUE(CloseHandle(null));
}

TEST(OpenClose, NoHandleIsRefusedEverywhere) {
    const HANDLE none[] = {INVALID_HANDLE_VALUE, nullptr};
    for (HANDLE handle : none) {
        DCB dcb = {};
        DWORD count = 99;
        char byte = 0;
        EXPECT_FALSE(GetCommState(handle, &dcb));
        EXPECT_FALSE(SetCommState(handle, &dcb));
        EXPECT_FALSE(WriteFile(handle, &byte, 1, &count, nullptr));
        EXPECT_EQ(count, 0u);
        count = 99;
        EXPECT_FALSE(ReadFile(handle, &byte, 1, &count, nullptr));
        EXPECT_EQ(count, 0u);
        COMMTIMEOUTS timeouts = {};
        EXPECT_FALSE(SetCommTimeouts(handle, &timeouts));
        COMSTAT status = {};
        EXPECT_FALSE(ClearCommError(handle, &count, &status));
        EXPECT_FALSE(PurgeComm(handle, PURGE_RXCLEAR));
        EXPECT_FALSE(CloseHandle(handle));
    }
}

}  // namespace
