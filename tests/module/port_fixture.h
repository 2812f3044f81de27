// Module tests that need devices: serial lines (test_line.h) whose port ends
// the module opens by name.
#pragma once

#include "module_fixture.h"
#include "test_line.h"

#if !defined(_WIN32)
#include "descriptor_count.h"

#include <unistd.h>
#endif

#include <string>

class PortTest : public ModuleTest {
protected:
    void SetUp() override {
        ASSERT_EQ(lines.error(), "");
        ModuleTest::SetUp();
    }
    // ModuleTest::TearDown unloads the module, which closes whatever the test
    // left open; the lines go with the fixture, after that.

    // A new line; see TestLines::make for how names give FileIDs.
    TestLine& line(const std::string& name) {
        TestLine& made = lines.make(name);
        EXPECT_EQ(lines.error(), "") << name;
        return made;
    }
    std::string alias(const TestLine& made, const std::string& name) {
        std::string port = lines.alias(made, name);
        EXPECT_EQ(lines.error(), "") << name;
        return port;
    }
    double open(const TestLine& made) { return ModuleTest::open({field("PortName", made.port)}); }
    using ModuleTest::open;

    static bool free(const TestLine& made) { return portFree(made); }
#if defined(_WIN32)
    // The line the runner recorded as a USB device (see TestLines::makeRecorded).
    TestLine& recordedLine() {
        TestLine& made = lines.makeRecorded();
        EXPECT_EQ(lines.error(), "");
        return made;
    }
#endif
#if !defined(_WIN32)
    // The descriptor the module holds for a line: the one on its port end
    // that is not the pair's own.
    static int moduleDescriptor(const TestLine& serial) {
        for (int fd = 0; fd < 1024; ++fd) {
            if (fd == serial.pty.slave) continue;
            char target[256];
            std::string link = "/proc/self/fd/" + std::to_string(fd);
            ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
            if (length > 0 && std::string(target, length) == serial.pty.slavePath) return fd;
        }
        return -1;
    }
#endif
    // What reached the far end within a short wait. Under Wine the bytes pass
    // through socat as well, so the wait is longer there.
    static std::vector<uint8_t> arrived(TestLine& made, size_t max = 4096) {
#if defined(_WIN32)
        return farRead(made, max, 500);
#else
        return farRead(made, max, 200);
#endif
    }
    static LineSettings kept(const TestLine& made) {
        LineSettings settings = keptSettings(made);
        EXPECT_TRUE(settings.read) << "the line settings of " << made.port << " cannot be read";
        return settings;
    }

    TestLines lines;
};
