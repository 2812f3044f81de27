// Serial lines for the module tests. A line has a port end, which the module
// opens by the name in TestLine::port, and a far end, which the test writes,
// reads and hangs up.
//
// Linux (test_line_posix.cpp): a pseudo-terminal pair made per line; the port
// end is the slave, reached through a symlink with the name the test gives.
//
// Windows, under Wine (test_line_windows.cpp): socat pairs of pseudo-terminals
// that tests/windows/run_wine_tests.sh makes before it starts Wine and maps to
// COM ports (HKLM\Software\Wine\Ports); it lists them in lines.txt in the
// folder named by BRINDLECAST_WINE_RUN. The far end is the pair's other
// pseudo-terminal, opened by the test as another COM port. Each line is used by
// one test only, so no line carries settings or bytes from an earlier test.
// What Win32 cannot see of a pseudo-terminal (its termios, who holds it) is
// asked of Linux through Wine's __wine_unix_spawnvp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include "pty_pair.h"
#endif

struct TestLine {
    std::string port;  // the PortName that opens the port end
#if defined(_WIN32)
    std::string alias;       // another COM name for the same port end
    std::string farPort;     // the COM name of the far end
    std::string device;      // the Linux path of the port end (the socat link)
    int socatPid = 0;        // the pair's socat, which holds both slaves too
    void* farEnd = nullptr;  // the far end's handle, reads never wait
#else
    PtyPair pty;  // master: the far end; slave: held so the line stays up between opens
#endif
};

// The lines of one test; closes and removes them when destroyed.
class TestLines {
public:
    TestLines();
    ~TestLines();
    TestLines(const TestLines&) = delete;
    TestLines& operator=(const TestLines&) = delete;

    // A new line. Port names of two lines of one set have equal FileIDs exactly
    // when the names given here have equal byte sums ("ab" and "ba").
    TestLine& make(const std::string& name);
    // Another port name for a line's port end, with a FileID of its own (under
    // Wine the line's one other COM name, whatever name is given).
    std::string alias(const TestLine& line, const std::string& name);
    // A port name that names no device.
    std::string missingPort() const;
#if defined(_WIN32)
    // The one line whose port end the runner recorded in the device manager's
    // records as an FTDI FT232R: USB\VID_0403&PID_6001\A50285BI, manufacturer
    // FTDI, location Port_#0002.Hub_#0003, friendly name "USB Serial Port
    // (COMn)". make() never hands it out.
    TestLine& makeRecorded();
#endif
    // The first thing that went wrong, or "".
    const std::string& error() const {
        return error_;
    }

private:
    void fail(const std::string& what);
#if defined(_WIN32)
    TestLine& take(const std::string& name, bool recorded);
#endif

    std::deque<TestLine> lines_;  // stable addresses for make()'s references
    std::vector<std::string> names_;
    std::vector<std::string> links_;
    std::string folder_;
    std::string error_;
};

#if defined(_WIN32)
// The COM name of the recorded line's port end, "" when the runner made none.
std::string recordedPort();
#endif

// A device that opens but is no serial port: /dev/null, or NUL on Windows.
std::string nonSerialDevice();

// Writes all size bytes into the far end.
bool farWrite(TestLine& line, const void* data, size_t size);
// Reads from the far end until max bytes arrived or timeoutMs passed without
// new data; returns what arrived.
std::vector<uint8_t> farRead(TestLine& line, size_t max, int timeoutMs);
// Takes the far side away for good: the port end is hung up.
bool hangUp(TestLine& line);

// True when nobody holds the port end. Linux: the exclusive claim an open port
// takes (flock) can be had. Wine takes no claim (a held COM port opens again),
// so there it means that no descriptor is open on the port end but socat's.
bool portFree(const TestLine& line);
// Descriptors open on the port end, the line's own excepted: Linux, of this
// process; Wine, of any process (the wineserver's and this process's copies of
// every handle). Compare counts, not handles.
int portDescriptors(const TestLine& line);

// What the port end's device keeps of its line settings, read with tcgetattr.
// A pseudo-terminal forces 8 data bits and no parity checking whatever it is
// asked, so CSIZE and PARENB are not here; it keeps PARODD and CMSPAR.
struct LineSettings {
    bool read = false;  // false: the settings could not be read
    uint32_t baudRate = 0;
    bool twoStopBits = false;  // CSTOPB
    bool oddParity = false;    // PARODD
    bool stickParity = false;  // CMSPAR
    bool rtsCts = false;       // CRTSCTS
    bool xonOutput = false;    // IXON
    bool xonInput = false;     // IXOFF
};
LineSettings keptSettings(const TestLine& line);
