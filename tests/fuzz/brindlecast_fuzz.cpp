// libFuzzer target: the module, loaded into the test host once per process,
// driven by calls built from each input over pseudo-terminals. After every
// call: the error (if any) is one of the module's, the result and the open
// ports are the reference model's, and no host memory outlives the call but
// the registry's entries.
#include "fuzz_input.h"
#include "fuzz_model.h"
#include "fuzz_values.h"
#include "fuzz_world.h"
#include "test_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#ifndef BRINDLECAST_MODULE_PATH
#error "BRINDLECAST_MODULE_PATH must name the built module"
#endif

namespace {

constexpr int kMaxCalls = 64;
// AddressSanitizer keeps about 3 KB for every unload of an instrumented
// library, so unloads are rationed to keep a long run's memory in bounds.
constexpr int kMaxReloadsPerInput = 1;
// Every this many inputs the module is also unloaded and loaded between two.
constexpr unsigned kReloadEvery = 1000;
// Bytes the far end lets wait on a line, and module bytes it lets pile up
// before taking them: a pty's buffers stay far from full, so no write blocks.
constexpr size_t kMaxUnread = 2048;
constexpr size_t kMaxUncollected = 16384;

ThModule* module = nullptr;
void* moduleEntry = nullptr;
std::string startingDescriptors;  // the target's own, on its ptys
unsigned inputsRun = 0;
std::deque<std::string> recentCalls;  // of the current input, for reports

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "\nbrindlecast fuzz: %s\n", what.c_str());
    if (!recentCalls.empty()) std::fprintf(stderr, "last calls of this input:\n");
    for (const std::string& call : recentCalls) std::fprintf(stderr, "  %s\n", call.c_str());
    std::fflush(stderr);
    tearDownWorld();  // abort skips the exit handler that removes the folder
    std::abort();
}

// BRINDLECAST_FUZZ_TRACE=1 prints every call, to see what an input does.
const bool trace = std::getenv("BRINDLECAST_FUZZ_TRACE") != nullptr;

void logCall(const std::string& text) {
    if (trace) std::fprintf(stderr, "call (input %u): %s\n", inputsRun, text.c_str());
    recentCalls.push_back(text);
    if (recentCalls.size() > 12) recentCalls.pop_front();
}

void* entryAddress() {
    void* handle = dlopen(BRINDLECAST_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return nullptr;
    void* entry = dlsym(handle, "mexFunction");
    dlclose(handle);
    return entry;
}

bool portOnLine(int line) {
    for (const OpenPort& port : model.ports) {
        if (port.line == line) return true;
    }
    return false;
}

void checkAfterCall() {
    size_t open = model.ports.size();
    size_t blocks = open;  // a registry entry each, a read-ahead block, a reader's record
    for (const OpenPort& port : model.ports) blocks += (port.capacity > 0) + (port.limit > 0);
    if (thLiveBlocks() != blocks || thPersistentBlocks() != thLiveBlocks()) {
        fault(std::to_string(thLiveBlocks()) + " live host blocks (" +
              std::to_string(thPersistentBlocks()) + " persistent) with " + std::to_string(open) +
              " ports open");
    }
    if (thLiveArrays() != 0) fault(std::to_string(thLiveArrays()) + " arrays outlived the call");
    if (!thWarnings().empty()) fault("a call warned: " + thWarnings().front());
    for (int i = 0; i < kLineCount; ++i) {
        Line& line = world.lines[i];
        if (lineHeld(line) != portOnLine(i)) {
            fault("line " + std::to_string(i) + (portOnLine(i) ? " is free" : " is held") +
                  ", the model has it " + (portOnLine(i) ? "open" : "closed"));
        }
        std::string problem;
        if (!collectFromPort(line, 0, &problem))
            fault("line " + std::to_string(i) + ": " + problem);
    }
}

// Each reader takes what comes in the background, up to its limit: before a
// call that depends on what a port holds, the model takes that in too, and
// waits until the reader has.
void settleReaders() {
    for (OpenPort& port : model.ports) {
        if (port.limit == 0) continue;
        Line& line = world.lines[port.line];
        port.held = std::max(port.held, std::min<size_t>(line.toPort.size(), port.limit));
        std::string problem;
        if (!awaitArrival(line, port.held, true, &problem))
            fault("line " + std::to_string(port.line) + ", a reader's: " + problem);
    }
}

// A read that may wait (a line read, when no line is there) is asked only for
// what is there (in whole elements).
bool mayWait(const Expectation& e) {
    bool lineRead = e.output == Expectation::Output::Line;
    return e.readsWait &&
           (e.output == Expectation::Output::Bytes || e.output == Expectation::Output::Elements ||
            (lineRead && e.bytes.empty()));
}

// Counts, purges, line and typed reads are exact only once everything sent
// has landed.
bool awaitsArrival(const Expectation& e) {
    return e.output == Expectation::Output::Counts || e.flushesInput || mayWait(e) ||
           e.output == Expectation::Output::Line || e.output == Expectation::Output::Elements;
}

void runCall(int nlhs, int failingAllocation, std::vector<mxArray*> arguments) {
    std::vector<const mxArray*> inputs(arguments.begin(), arguments.end());
    Expectation expected = predict(nlhs, inputs, failingAllocation);
    // Those, and closes, drop or take held bytes; a reader stops with its
    // block only when it holds none.
    if (awaitsArrival(expected) || expected.closes || expected.dropsEarlier ||
        expected.limit == 0) {
        settleReaders();
        expected = predict(nlhs, inputs, failingAllocation);
    }
    auto askInstead = [&](double value) {  // another third input, predicted anew
        arguments.push_back(thCreateDouble(value));
        inputs[2] = arguments.back();
        expected = predict(nlhs, inputs, failingAllocation);
    };
    // A break is asked for in a millisecond: a longer one only costs time.
    if (expected.breakTooLong) askInstead(0.001);
    if (expected.readTooLarge) askInstead(expected.count % (kReadCap / expected.elementSize));
    if (awaitsArrival(expected)) {
        const bool waits = mayWait(expected);
        Line& line = world.lines[expected.line];
        std::string problem;
        size_t held = 0;
        for (const OpenPort& port : model.ports) held += port.line == expected.line ? port.held : 0;
        if (!awaitArrival(line, held, false, &problem)) fault(problem);
        const size_t size = expected.elementSize;
        if (waits && expected.count * size > line.toPort.size())
            askInstead(static_cast<double>(line.toPort.size() / size));
    }
    // What a purge of the output may drop, the far end takes first.
    if (expected.flushesOutput) {
        std::string problem;
        if (!collectFromPort(world.lines[expected.line], 2000, &problem)) fault(problem);
    }
    if (expected.output == Expectation::Output::Written) {
        Line& line = world.lines[expected.line];
        std::string problem;
        if (line.fromPort.size() + expected.count > kMaxUncollected &&
            !collectFromPort(line, 2000, &problem)) {
            fault(problem);
        }
    }

    std::string text = "nlhs " + std::to_string(nlhs);
    if (failingAllocation > 0)
        text += ", allocation " + std::to_string(failingAllocation) + " fails";
    for (const mxArray* input : inputs) text += " | " + describe(input);
    logCall(text);

    thFailAllocation(failingAllocation);
    ThCallResult result = thCall(module, nlhs, inputs);
    thFailAllocation(0);
    if (result.failed && !isModuleError(result.identifier, result.message)) {
        fault("an error the module does not have: [" + result.identifier + "] \"" + result.message +
              "\"");
    }
    if (trace) {
        std::fprintf(stderr, "  -> %s\n",
                     result.failed ? ("[" + result.identifier + "] " + result.message).c_str()
                                   : describe(result.outputs[0]).c_str());
    }
    std::string problem;
    if (!settle(expected, nlhs, result, &problem)) fault(problem);
    thReleaseOutputs(result);
    for (mxArray* argument : arguments) thDestroyArray(argument);
    checkAfterCall();
}

// Unloads the module (its exit hook closes whatever is open) and loads it again.
// The coverage the module gathered in this input until then goes with its
// mapping, the exit hook's included: libFuzzer does not see it.
void reloadModule() {
    settleReaders();
    size_t open = model.ports.size();
    logCall("unload and load, " + std::to_string(open) + " ports open");
    thClearWarnings();
    thUnloadModule(module);
    module = nullptr;
    ThUnloadReport report = thLastUnloadReport();
    if (report.exitHookRan != model.exitHookRegistered) {
        fault(std::string("the exit hook ") + (report.exitHookRan ? "ran" : "did not run"));
    }
    if (report.failed) fault("the exit hook failed: " + report.message);
    if (report.stillLoaded) fault("the module stayed loaded after unloading");
    if (thWarnings().size() != (open > 0 ? 1u : 0u)) {
        fault(std::to_string(thWarnings().size()) + " warnings on unloading with " +
              std::to_string(open) + " ports open");
    }
    if (thLiveBlocks() != 0)
        fault(std::to_string(thLiveBlocks()) + " host blocks outlived the module");
    for (int i = 0; i < kLineCount; ++i) {
        if (lineHeld(world.lines[i])) fault("line " + std::to_string(i) + " held after unloading");
    }
    for (const OpenPort& port : model.ports) dropReadAhead(port);
    model.ports.clear();
    model.exitHookRegistered = false;
    thClearWarnings();

    module = thLoadModule(BRINDLECAST_MODULE_PATH);
    if (module == nullptr) fault("cannot load the module again: " + thLastLoadError());
    // libFuzzer keeps counting coverage where the module was first mapped.
    if (entryAddress() != moduleEntry) fault("the reloaded module was mapped at another address");
}

// Arguments for input position (1 on) of one of the modes' calls.
mxArray* argumentFor(FuzzInput& in, size_t mode, size_t position, const mxArray* previous) {
    if (position == 1) return mode == 0 ? portDescription(in, 0) : idValue(in);
    switch (mode * 8 + position) {
        case 2 * 8 + 2: return writeData(in);
        case 2 * 8 + 3: return writeCount(in, previous);
        case 3 * 8 + 2:
        case 9 * 8 + 2: return readCount(in);
        case 5 * 8 + 2: return flushBuffer(in);
        case 6 * 8 + 2: return portDescription(in, 0);
        case 9 * 8 + 3: return lineTerminator(in);
        case 12 * 8 + 2: return readCount(in);
        case 12 * 8 + 3: return readClass(in);
        case 2 * 8 + 4:
        case 13 * 8 + 4: return readClass(in);
        case 13 * 8 + 2: return typedWriteData(in);
        case 13 * 8 + 3: return writeCount(in, previous);
        case 14 * 8 + 2: return readCount(in);
        case 14 * 8 + 3: return lineTerminator(in);
        case 9 * 8 + 4:
        case 14 * 8 + 4: return lineTextWord(in);
        default: return anyValue(in, 0);
    }
}

// The last three: comread, comwrite and comreadline again, typed (a class,
// or 'char').
const char* const kModes[] = {"comopen",  "comclose",  "comwrite", "comread",  "comcount",
                              "comflush", "comset",    "compins",  "combreak", "comreadline",
                              "comdrain", "comerrors", "comread",  "comwrite", "comreadline"};
const size_t kModeArguments[] = {1, 1, 3, 2, 1, 2, 2, 1, 2, 3, 1, 1, 3, 4, 4};
constexpr size_t kModeCount = sizeof kModes / sizeof kModes[0];

void closeEverything() {
    while (!model.ports.empty()) {
        runCall(0, 0, {textArray("comclose"), thCreateDouble(model.ports.back().id)});
    }
    for (int i = 0; i < kLineCount; ++i) {
        std::string problem;
        if (!collectFromPort(world.lines[i], 1000, &problem) ||
            !collectUnread(world.lines[i], 1000, &problem)) {
            fault("line " + std::to_string(i) + ": " + problem);
        }
    }
}

void finish() {
    if (module != nullptr) thUnloadModule(module);
    module = nullptr;
    tearDownWorld();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string problem;
    if (!setUpWorld(&problem)) fault(problem);
    module = thLoadModule(BRINDLECAST_MODULE_PATH);
    if (module == nullptr) fault("cannot load the module: " + thLastLoadError());
    moduleEntry = entryAddress();
    startingDescriptors = deviceDescriptors();
    std::atexit(finish);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    recentCalls.clear();
    if (++inputsRun % kReloadEvery == 0) reloadModule();
    for (Line& line : world.lines) {
        if (!resetLineSettings(line)) fault("cannot reset " + line.pair.slavePath);
    }

    FuzzInput in{data, size, 0};
    int calls = 0;
    int reloads = 0;
    while (hasMore(in) && calls < kMaxCalls) {
        uint8_t op = nextByte(in);
        int nlhs = (op >> 3) & 3;
        int failing = (op & 0x80) ? static_cast<int>(pick(in, 8)) : 0;
        ++calls;
        switch (op & 7) {
            case 0:
            case 1:
            case 2:
            case 3: {
                // Bits 5 and 6 both set pick the queue modes, comreadline and a typed read;
                // bit 6 alone a typed write, a text line or a count.
                const size_t queueModes[] = {4, 5, 9, 12};
                const size_t typedModes[] = {13, 14, 13, 4};
                size_t mode = (op & 0x60) == 0x60   ? queueModes[op & 3]
                              : (op & 0x60) == 0x40 ? typedModes[op & 3]
                                                    : op & 3;
                std::vector<mxArray*> arguments{textArray(kModes[mode])};
                for (size_t position = 1; position <= kModeArguments[mode]; ++position) {
                    arguments.push_back(argumentFor(in, mode, position, arguments.back()));
                }
                runCall(nlhs, failing, arguments);
                break;
            }
            case 4: {
                // Anything at all, mode word or not, zero to nine inputs.
                size_t count = pick(in, 10);
                std::vector<mxArray*> arguments;
                for (size_t i = 0; i < count; ++i) {
                    arguments.push_back(i == 0 ? modeValue(in) : anyValue(in, 0));
                }
                runCall(nlhs, failing, arguments);
                break;
            }
            case 5: {
                // The far end sends.
                Line& line = world.lines[pick(in, kLineCount)];
                std::vector<uint8_t> bytes(pick(in, 33));
                for (uint8_t& byte : bytes) byte = nextByte(in);
                if (line.toPort.size() + bytes.size() <= kMaxUnread) {
                    sendToPort(line, bytes.data(), bytes.size());
                }
                break;
            }
            case 6:
                if (reloads++ < kMaxReloadsPerInput) reloadModule();
                break;
            default: {
                // A mode's own kinds of arguments, one too few, too many or none.
                size_t mode = pick(in, kModeCount);
                size_t count = pick(in, 6);
                std::vector<mxArray*> arguments{textArray(kModes[mode])};
                for (size_t position = 1; position <= count; ++position) {
                    arguments.push_back(argumentFor(in, mode, position, arguments.back()));
                }
                runCall(nlhs, failing, arguments);
                break;
            }
        }
    }

    closeEverything();
    std::string held = deviceDescriptors();
    if (held != startingDescriptors) {
        fault("descriptors on the devices after the input:" + held +
              "; before:" + startingDescriptors);
    }
    return 0;
}
