// Soak run: many open, write, read and close cycles over several
// pseudo-terminal pairs, then many unloads with ports open, each with its
// reader running (InputBufferSize). The process's descriptors and threads and
// the test host's memory must be back where they started.
//
//   soak_test [cycles [reloads]]     (100000 and 1000 by default)
#include "descriptor_count.h"
#include "pty_pair.h"
#include "test_host.h"
#include "thread_count.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef BRINDLECAST_MODULE_PATH
#error "BRINDLECAST_MODULE_PATH must name the built module"
#endif

namespace {

constexpr int kLines = 4;
const double kRates[] = {9600, 115200, 38400, 250000};

struct Soak {
    ThModule* module = nullptr;
    std::string folder;
    PtyPair pairs[kLines];
    mxArray* descriptions[kLines] = {};
    mxArray* readerDescriptions[kLines] = {};  // the same, with InputBufferSize
    mxArray* modes[4] = {};                    // comopen, comclose, comwrite, comread
    long failures = 0;
};

void report(Soak& soak, const std::string& what) {
    if (++soak.failures <= 20) std::fprintf(stderr, "soak: %s\n", what.c_str());
}

std::string describeFailure(const ThCallResult& result) {
    return "[" + result.identifier + "] " + result.message;
}

ThCallResult call(Soak& soak, int nlhs, std::vector<const mxArray*> inputs) {
    return thCall(soak.module, nlhs, inputs);
}

double openPort(Soak& soak, int line, bool withReader = false) {
    mxArray* description = (withReader ? soak.readerDescriptions : soak.descriptions)[line];
    ThCallResult result = call(soak, 1, {soak.modes[0], description});
    double id = result.failed ? -1 : mxGetScalar(result.outputs[0]);
    if (result.failed) report(soak, "comopen: " + describeFailure(result));
    thReleaseOutputs(result);
    return id;
}

// One cycle on a line: open, write n bytes, read n back, close.
void cycle(Soak& soak, int line, long index) {
    double id = openPort(soak, line);
    if (id < 0) return;
    mxArray* idArray = thCreateDouble(id);
    size_t n = 1 + static_cast<size_t>(index % 48);
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(index * 31 + i);
    mxArray* data = thCreateNumeric(mxUINT8_CLASS, 1, n, out.data());
    mxArray* count = thCreateDouble(static_cast<double>(n));

    ThCallResult written = call(soak, 1, {soak.modes[2], idArray, data, count});
    if (written.failed || mxGetScalar(written.outputs[0]) != static_cast<double>(n)) {
        report(soak, "comwrite: " + describeFailure(written));
    }
    thReleaseOutputs(written);
    if (readAvailable(soak.pairs[line].master, n, 1000) != out)
        report(soak, "written bytes differ");

    std::vector<uint8_t> back(out.rbegin(), out.rend());
    writeAll(soak.pairs[line].master, back.data(), back.size());
    ThCallResult read = call(soak, 2, {soak.modes[3], idArray, count});
    if (read.failed || mxGetScalar(read.outputs[1]) != static_cast<double>(n)) {
        report(soak, "comread: " + describeFailure(read));
    } else {
        const double* values = mxGetPr(read.outputs[0]);
        for (size_t i = 0; i < n; ++i) {
            if (values[i] != back[i]) {
                report(soak, "read bytes differ");
                break;
            }
        }
    }
    thReleaseOutputs(read);

    ThCallResult closed = call(soak, 0, {soak.modes[1], idArray});
    if (closed.failed) report(soak, "comclose: " + describeFailure(closed));
    thReleaseOutputs(closed);
    thDestroyArray(idArray);
    thDestroyArray(data);
    thDestroyArray(count);
}

bool setUp(Soak& soak) {
    char pattern[] = "/tmp/brindlecast-soak-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return false;
    soak.folder = pattern;
    const char* const words[] = {"comopen", "comclose", "comwrite", "comread"};
    for (int i = 0; i < 4; ++i) soak.modes[i] = thCreateString(words[i]);
    for (int line = 0; line < kLines; ++line) {
        PtyPair& pair = soak.pairs[line];
        // Reads wait at most a tenth of a second for a byte that is late.
        if (!openPtyPair(&pair) || !setReadTimeout(pair.slave, 0, 1)) return false;
        std::string link = soak.folder + "/line" + std::to_string(line);
        if (symlink(pair.slavePath.c_str(), link.c_str()) != 0) return false;
        mxArray* description = thCreateStruct(1, 1, {"PortName", "BaudRate", "Parity"});
        thSetField(description, 0, "PortName", thCreateString(link));
        thSetField(description, 0, "BaudRate", thCreateDouble(kRates[line]));
        thSetField(description, 0, "Parity", thCreateString(line % 2 ? "even" : "none"));
        soak.descriptions[line] = description;
        mxArray* withReader =
            thCreateStruct(1, 1, {"PortName", "BaudRate", "ReadTimeout", "InputBufferSize"});
        thSetField(withReader, 0, "PortName", thCreateString(link));
        thSetField(withReader, 0, "BaudRate", thCreateDouble(kRates[line]));
        thSetField(withReader, 0, "ReadTimeout", thCreateDouble(line % 2 ? 0 : 0.1));
        thSetField(withReader, 0, "InputBufferSize", thCreateDouble(4096 << line));
        soak.readerDescriptions[line] = withReader;
    }
    soak.module = thLoadModule(BRINDLECAST_MODULE_PATH);
    if (soak.module == nullptr) std::fprintf(stderr, "soak: %s\n", thLastLoadError().c_str());
    return soak.module != nullptr;
}

void tearDown(Soak& soak) {
    if (soak.module != nullptr) thUnloadModule(soak.module);
    for (int line = 0; line < kLines; ++line) {
        thDestroyArray(soak.descriptions[line]);
        thDestroyArray(soak.readerDescriptions[line]);
        closePtyPair(&soak.pairs[line]);
        unlink((soak.folder + "/line" + std::to_string(line)).c_str());
    }
    for (mxArray* mode : soak.modes) thDestroyArray(mode);
    rmdir(soak.folder.c_str());
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    long cycles = argc > 1 ? std::atol(argv[1]) : 100000;
    long reloads = argc > 2 ? std::atol(argv[2]) : 1000;
    Soak soak;
    if (!setUp(soak)) {
        std::fprintf(stderr, "soak: cannot set up the lines and the module\n");
        return 1;
    }
    int startDescriptors = countOpenDescriptors();
    int startThreads = countThreads();
    size_t startBlocks = thLiveBlocks();
    size_t startArrays = thLiveArrays();

    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < cycles; ++i) {
        cycle(soak, static_cast<int>(i % kLines), i);
        if ((i + 1) % 20000 == 0) {
            std::printf("soak: %ld cycles, %.1f s, %zu live host blocks\n", i + 1,
                        secondsSince(start), thLiveBlocks());
            std::fflush(stdout);
        }
    }
    double cycleSeconds = secondsSince(start);

    start = std::chrono::steady_clock::now();
    for (long i = 0; i < reloads; ++i) {
        int closedDescriptors = countOpenDescriptors();
        for (int line = 0; line < kLines; ++line) {
            openPort(soak, line, true);
            // Bytes for the readers to hold as the module goes.
            writeAll(soak.pairs[line].master, "0123456789", 10);
        }
        thClearWarnings();
        thUnloadModule(soak.module);
        ThUnloadReport unloaded = thLastUnloadReport();
        if (!unloaded.exitHookRan || unloaded.failed || unloaded.stillLoaded ||
            thWarnings().size() != 1 || thLiveBlocks() != startBlocks ||
            countOpenDescriptors() != closedDescriptors || !threadsSettleAt(startThreads)) {
            report(soak, "unload " + std::to_string(i) + " left the ports or the host unclean");
        }
        soak.module = thLoadModule(BRINDLECAST_MODULE_PATH);
        if (soak.module == nullptr) {
            report(soak, "cannot load the module again: " + thLastLoadError());
            break;
        }
    }
    double reloadSeconds = secondsSince(start);

    int endDescriptors = countOpenDescriptors();
    size_t endBlocks = thLiveBlocks();
    size_t endArrays = thLiveArrays();
    std::printf("soak: %ld open/write/read/close cycles over %d lines in %.1f s\n", cycles, kLines,
                cycleSeconds);
    std::printf("soak: %ld unloads with %d ports open, readers running, in %.1f s\n", reloads,
                kLines, reloadSeconds);
    int endThreads = countThreads();
    std::printf(
        "soak: descriptors %d -> %d, threads %d -> %d, live host blocks %zu -> %zu, live "
        "arrays %zu -> %zu\n",
        startDescriptors, endDescriptors, startThreads, endThreads, startBlocks, endBlocks,
        startArrays, endArrays);
    if (endDescriptors != startDescriptors || endThreads != startThreads ||
        endBlocks != startBlocks || endArrays != startArrays) {
        report(soak, "the counts are not back where they started");
    }
    tearDown(soak);
    std::printf("soak: %s (%ld failures)\n", soak.failures == 0 ? "passed" : "FAILED",
                soak.failures);
    return soak.failures == 0 ? 0 : 1;
}
