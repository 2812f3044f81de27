// Counts the instructions of brindlecast's calls under callgrind, through the
// test host: run as
//   valgrind --tool=callgrind --toggle-collect=mexFunction callgrind_driver MODULE CALLS
// so that only what runs inside mexFunction is counted (the module, the host
// functions it calls and their libc work), never the driver's own set-up.
// Phases, each dumped on its own (callgrind.out.PID.N, named by the phase):
//   open1-*   with 1 port open, then open64-* with 64 open (the measured
//   port is the oldest, last in the newest-first list that lookups walk):
//   *-write1 CALLS comwrite of 1 byte, *-read1 CALLS comread of 1 waiting
//   byte, *-read4096 and *-write4096 CALLS/10 calls of 4096 bytes.
#include "test_host.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Line {
    int master;
    int slave;
};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "callgrind_driver: %s\n", what.c_str());
    std::exit(1);
}

// A raw pty whose port end is reachable as link.
Line makeLine(const std::string& link) {
    Line line;
    char name[256];
    if (openpty(&line.master, &line.slave, name, nullptr, nullptr) != 0) fail("openpty");
    struct termios settings;
    tcgetattr(line.slave, &settings);
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    tcsetattr(line.slave, TCSANOW, &settings);
    unlink(link.c_str());
    if (symlink(name, link.c_str()) != 0) fail("symlink " + link);
    return line;
}

ThCallResult call(ThModule* module, int nlhs, const std::vector<const mxArray*>& inputs) {
    ThCallResult result = thCall(module, nlhs, inputs);
    if (result.failed) fail(result.identifier + ": " + result.message);
    return result;
}

double openPort(ThModule* module, const std::string& path) {
    mxArray* description = thCreateStruct(1, 1, {"PortName", "BaudRate"});
    thSetField(description, 0, "PortName", thCreateString(path));
    thSetField(description, 0, "BaudRate", thCreateDouble(115200));
    mxArray* mode = thCreateString("comopen");
    ThCallResult result = call(module, 1, {mode, description});
    double id = mxGetScalar(result.outputs[0]);
    thReleaseOutputs(result);
    thDestroyArray(mode);
    thDestroyArray(description);
    return id;
}

void drain(int fd, size_t count) {
    std::vector<unsigned char> buffer(count);
    size_t done = 0;
    while (done < count) {
        ssize_t n = read(fd, buffer.data() + done, count - done);
        if (n <= 0) fail("drain");
        done += static_cast<size_t>(n);
    }
}

void feed(int fd, size_t count) {
    std::vector<unsigned char> buffer(count, 'x');
    if (write(fd, buffer.data(), count) != static_cast<ssize_t>(count)) fail("feed");
}

void measure(ThModule* module, const Line& line, double id, int calls, const std::string& tag) {
    mxArray* writeMode = thCreateString("comwrite");
    mxArray* readMode = thCreateString("comread");
    mxArray* port = thCreateDouble(id);
    unsigned char bytes[4096] = {'x'};
    mxArray* one = thCreateNumeric(mxUINT8_CLASS, 1, 1, bytes);
    mxArray* block = thCreateNumeric(mxUINT8_CLASS, 1, sizeof bytes, bytes);
    mxArray* count1 = thCreateDouble(1);
    mxArray* count4096 = thCreateDouble(sizeof bytes);

    // callgrind reads a dump's name after the request returns: keep them alive.
    const std::string write1 = tag + "-write1", read1 = tag + "-read1";
    const std::string read4096 = tag + "-read4096", write4096 = tag + "-write4096";
    CALLGRIND_ZERO_STATS;
    for (int i = 0; i < calls; ++i) {
        ThCallResult result = call(module, 1, {writeMode, port, one, count1});
        thReleaseOutputs(result);
        drain(line.master, 1);
    }
    CALLGRIND_DUMP_STATS_AT(write1.c_str());

    for (int i = 0; i < calls; ++i) {
        feed(line.master, 1);
        ThCallResult result = call(module, 2, {readMode, port, count1});
        thReleaseOutputs(result);
    }
    CALLGRIND_DUMP_STATS_AT(read1.c_str());

    for (int i = 0; i < calls / 10; ++i) {
        feed(line.master, sizeof bytes);
        ThCallResult result = call(module, 2, {readMode, port, count4096});
        thReleaseOutputs(result);
    }
    CALLGRIND_DUMP_STATS_AT(read4096.c_str());

    for (int i = 0; i < calls / 10; ++i) {
        ThCallResult result = call(module, 1, {writeMode, port, block, count4096});
        thReleaseOutputs(result);
        drain(line.master, sizeof bytes);
    }
    CALLGRIND_DUMP_STATS_AT(write4096.c_str());

    for (mxArray* array : {writeMode, readMode, port, one, block, count1, count4096}) {
        thDestroyArray(array);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) fail("usage: callgrind_driver MODULE CALLS");
    int calls = std::atoi(argv[2]);
    char pattern[] = "/tmp/brindlecast-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) fail("mkdtemp");
    std::string folder = pattern;

    ThModule* module = thLoadModule(argv[1]);
    if (module == nullptr) fail(thLastLoadError());

    // Names folder/a, folder/aa, ...: FileIDs (the sums of the names' bytes)
    // all differ, so no open replaces another.
    std::vector<Line> lines;
    std::vector<std::string> links;
    std::vector<double> ids;
    for (int k = 1; k <= 64; ++k) {
        links.push_back(folder + "/" + std::string(static_cast<size_t>(k), 'a'));
        lines.push_back(makeLine(links.back()));
    }
    ids.push_back(openPort(module, links[0]));
    measure(module, lines[0], ids[0], calls, "open1");
    for (int k = 1; k < 64; ++k) ids.push_back(openPort(module, links[static_cast<size_t>(k)]));
    measure(module, lines[0], ids[0], calls, "open64");

    thUnloadModule(module);
    for (size_t k = 0; k < lines.size(); ++k) {
        close(lines[k].master);
        close(lines[k].slave);
        unlink(links[k].c_str());
    }
    rmdir(folder.c_str());
    return 0;
}
