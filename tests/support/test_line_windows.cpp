#include "test_line.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>

namespace {

// A line the runner made: "line <port> <alias> <far> <socat pid> <device>" in lines.txt.
struct PoolLine {
    std::string port;
    std::string alias;
    std::string farPort;
    std::string device;
    int pid = 0;
    bool taken = false;
    bool recorded = false;  // the runner's USB device record names its port
};

struct Pool {
    std::string error;
    std::string run;  // the runner's folder, a Linux path
    // "missing <port>": a COM name no port is mapped to (Wine opens a mapped one
    // even when its path does not exist).
    std::string missing;
    std::string recorded;  // "recorded <port>"
    std::vector<PoolLine> lines;
};

// Wine's drive Z: is the Linux root.
std::string windowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

Pool loadPool() {
    Pool pool;
    const char* run = std::getenv("BRINDLECAST_WINE_RUN");
    if (run == nullptr || *run == '\0') {
        pool.error = "BRINDLECAST_WINE_RUN is not set; tests/windows/run_wine_tests.sh runs this";
        return pool;
    }
    pool.run = run;
    std::ifstream list(windowsPath(pool.run + "/lines.txt"));
    std::string word;
    while (list >> word) {
        if (word == "missing") {
            list >> pool.missing;
        } else if (word == "recorded") {
            list >> pool.recorded;
        } else if (word == "line") {
            PoolLine line;
            list >> line.port >> line.alias >> line.farPort >> line.pid >> std::ws;
            std::getline(list, line.device);  // the rest of the line: a path may hold spaces
            pool.lines.push_back(line);
        }
    }
    for (PoolLine& line : pool.lines) line.recorded = line.port == pool.recorded;
    if (pool.lines.empty() || pool.missing.empty()) {
        pool.error = "no lines listed in " + pool.run + "/lines.txt";
    }
    return pool;
}

Pool& pool() {
    static Pool loaded = loadPool();
    return loaded;
}

int32_t byteSum(const std::string& text) {
    int32_t sum = 0;
    for (char byte : text) sum += static_cast<int8_t>(byte);
    return sum;
}

// Runs script with /bin/sh on the Linux side and waits for it: $1 is a file
// for its answer, the arguments follow. False when the script failed or gave
// no answer. __wine_unix_spawnvp is ntdll's export for starting a Linux
// program, which Wine's own programs use (winebrowser).
bool askLinux(const char* script, std::initializer_list<std::string> arguments,
              std::string* answer) {
    using Spawn = long (*)(char* const* argv, int wait);
    static Spawn spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    if (spawn == nullptr || pool().run.empty()) return false;
    std::string answerFile = pool().run + "/answer.txt";
    DeleteFileA(windowsPath(answerFile).c_str());
    std::vector<std::string> words{"/bin/sh", "-c", script, "line-probe", answerFile};
    words.insert(words.end(), arguments);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    if (spawn(argv.data(), 1) != 0) return false;
    std::ifstream file(windowsPath(answerFile));
    if (!file) return false;
    std::ostringstream text;
    text << file.rdbuf();
    *answer = text.str();
    return true;
}

}  // namespace

TestLines::TestLines() {
    if (!pool().error.empty()) fail(pool().error);
}

TestLines::~TestLines() {
    for (TestLine& line : lines_) {
        if (line.farEnd != nullptr) CloseHandle(line.farEnd);
    }
}

void TestLines::fail(const std::string& what) {
    if (error_.empty()) error_ = what;
}

TestLine& TestLines::make(const std::string& name) {
    return take(name, false);
}

TestLine& TestLines::makeRecorded() {
    return take("recorded", true);
}

std::string recordedPort() {
    return pool().recorded;
}

TestLine& TestLines::take(const std::string& name, bool recorded) {
    lines_.emplace_back();
    names_.push_back(name);
    TestLine& line = lines_.back();
    if (!pool().error.empty()) return line;

    // The FileIDs the names ask for: the one of an earlier line whose name has
    // the same byte sum, else one that no earlier line has.
    int32_t wanted = 0;
    std::vector<int32_t> inUse;
    for (size_t i = 0; i + 1 < lines_.size(); ++i) {
        inUse.push_back(byteSum(lines_[i].port));
        if (byteSum(names_[i]) == byteSum(name)) wanted = inUse.back();
    }
    auto hasFreeTwin = [](const PoolLine& candidate) {
        for (const PoolLine& other : pool().lines) {
            if (&other != &candidate && !other.taken &&
                byteSum(other.port) == byteSum(candidate.port)) {
                return true;
            }
        }
        return false;
    };
    PoolLine* chosen = nullptr;
    for (PoolLine& candidate : pool().lines) {
        int32_t id = byteSum(candidate.port);
        if (candidate.taken || candidate.recorded != recorded) continue;
        if (wanted != 0 ? id != wanted : std::count(inUse.begin(), inUse.end(), id) > 0) continue;
        // Keep twins available for a later line that asks for the same FileID.
        if (chosen == nullptr) chosen = &candidate;
        if (wanted != 0 || hasFreeTwin(candidate)) {
            chosen = &candidate;
            break;
        }
    }
    if (chosen == nullptr) {
        fail("the runner made too few lines for line '" + name + "'");
        return line;
    }
    chosen->taken = true;
    line.port = chosen->port;
    line.alias = chosen->alias;
    line.farPort = chosen->farPort;
    line.device = chosen->device;
    line.socatPid = chosen->pid;

    HANDLE farEnd = CreateFileA(("\\\\.\\" + line.farPort).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (farEnd == INVALID_HANDLE_VALUE) {
        fail("cannot open the far end " + line.farPort + ": error " +
             std::to_string(GetLastError()));
        return line;
    }
    // Reads of the far end return at once with what is there.
    COMMTIMEOUTS immediate = {MAXDWORD, 0, 0, 0, 0};
    if (!SetCommTimeouts(farEnd, &immediate)) {
        fail("SetCommTimeouts on " + line.farPort + ": error " + std::to_string(GetLastError()));
    }
    line.farEnd = farEnd;
    return line;
}

std::string TestLines::alias(const TestLine& line, const std::string&) {
    return line.alias;
}

std::string TestLines::missingPort() const {
    return pool().missing;
}

std::string nonSerialDevice() {
    return "NUL";
}

bool farWrite(TestLine& line, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD done = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 65536));
        if (line.farEnd == nullptr || !WriteFile(line.farEnd, bytes, chunk, &done, nullptr) ||
            done == 0) {
            return false;
        }
        bytes += done;
        size -= done;
    }
    return true;
}

std::vector<uint8_t> farRead(TestLine& line, size_t max, int timeoutMs) {
    std::vector<uint8_t> data;
    uint8_t chunk[4096];
    DWORD idleSince = GetTickCount();
    while (line.farEnd != nullptr && data.size() < max) {
        DWORD wanted = static_cast<DWORD>(std::min(max - data.size(), sizeof chunk));
        DWORD done = 0;
        if (!ReadFile(line.farEnd, chunk, wanted, &done, nullptr)) break;
        if (done > 0) {
            data.insert(data.end(), chunk, chunk + done);
            idleSince = GetTickCount();
        } else if (GetTickCount() - idleSince >= static_cast<DWORD>(timeoutMs)) {
            break;
        } else {
            Sleep(5);
        }
    }
    return data;
}

// Stops the pair's socat, which closes both masters, and waits until it is gone.
bool hangUp(TestLine& line) {
    static const char script[] =
        "kill \"$2\" || exit 1\n"
        "while [ -d \"/proc/$2\" ] && ! grep -q ') Z' \"/proc/$2/stat\" 2>/dev/null; do\n"
        "    sleep 0.01\n"
        "done\n"
        "echo gone >\"$1\"\n";
    std::string answer;
    if (line.socatPid <= 0 || !askLinux(script, {std::to_string(line.socatPid)}, &answer)) {
        return false;
    }
    line.socatPid = 0;
    return true;
}

bool portFree(const TestLine& line) {
    return portDescriptors(line) == 0;
}

int portDescriptors(const TestLine& line) {
    static const char script[] =
        "target=$(readlink -f \"$2\") || exit 1\n"
        "find /proc/[0-9]*/fd -lname \"$target\" 2>/dev/null | grep -v \"^/proc/$3/\" | wc -l "
        ">\"$1\"\n";
    std::string answer;
    if (line.device.empty() ||
        !askLinux(script, {line.device, std::to_string(line.socatPid)}, &answer)) {
        return -1;
    }
    return std::atoi(answer.c_str());
}

// Wine's GetCommState would say less: it rebuilds DCB.Parity from PARENB,
// which a pseudo-terminal always clears, so the parity would not read back.
// stty asks the device itself.
LineSettings keptSettings(const TestLine& line) {
    LineSettings kept;
    std::string answer;
    if (line.device.empty() || !askLinux("stty -a -F \"$2\" >\"$1\"", {line.device}, &answer)) {
        return kept;
    }
    std::replace(answer.begin(), answer.end(), ';', ' ');
    std::istringstream words(answer);
    std::string word;
    while (words >> word) {
        if (word == "speed") {
            words >> kept.baudRate;
            kept.read = true;
        }
        if (word == "cstopb") kept.twoStopBits = true;
        if (word == "parodd") kept.oddParity = true;
        if (word == "cmspar") kept.stickParity = true;
        if (word == "crtscts") kept.rtsCts = true;
        if (word == "ixon") kept.xonOutput = true;
        if (word == "ixoff") kept.xonInput = true;
    }
    return kept;
}
