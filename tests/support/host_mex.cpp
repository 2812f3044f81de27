// libmex: errors, warnings and the exit hook. Memory state stays in libmx.
#include "host_internal.h"
#include "test_host.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

std::vector<std::string>& warnings() {
    static auto* list = new std::vector<std::string>;
    return *list;
}

ThiExitHook g_exitHook = nullptr;
int g_registrations = 0;

std::string format(const char* text, va_list args) {
    va_list counting;
    va_copy(counting, args);
    int length = std::vsnprintf(nullptr, 0, text, counting);
    va_end(counting);
    if (length < 0) return text;  // a format vsnprintf rejects: keep it verbatim
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), text, args);
    return std::string(buffer.data(), static_cast<size_t>(length));
}

[[noreturn]] void failCall(const char* function, const char* identifier, std::string message) {
    // Only a running call has a caller to take the error; anything else would
    // unwind into the loader or the test.
    if (!thiInCall()) thiAbort(std::string(function) + " outside a call: " + message);
    throw ThHostError{identifier != nullptr ? identifier : "", std::move(message)};
}

}  // namespace

void mexErrMsgIdAndTxt(const char* identifier, const char* text, ...) {
    thiCheckThread("mexErrMsgIdAndTxt");
    std::string message;
    if (text != nullptr) {
        va_list args;
        va_start(args, text);
        message = format(text, args);
        va_end(args);
    }
    failCall("mexErrMsgIdAndTxt", identifier, std::move(message));
}

void mexErrMsgTxt(const char* text) {
    thiCheckThread("mexErrMsgTxt");
    failCall("mexErrMsgTxt", "", text != nullptr ? text : "");
}

void mexWarnMsgTxt(const char* text) {
    thiCheckThread("mexWarnMsgTxt");
    warnings().push_back(text != nullptr ? text : "");
}

int mexAtExit(void (*exitFunction)(void)) {
    thiCheckThread("mexAtExit");
    g_exitHook = exitFunction;  // one per module: a later registration replaces it
    ++g_registrations;
    return 0;
}

void mexMakeMemoryPersistent(void* block) {
    thiCheckThread("mexMakeMemoryPersistent");
    thiMakePersistent(block);
}

void thiResetModuleState() {
    g_exitHook = nullptr;
    g_registrations = 0;
}

ThiExitHook thiTakeExitHook() {
    ThiExitHook hook = g_exitHook;
    g_exitHook = nullptr;
    return hook;
}

std::vector<std::string> thWarnings() {
    return warnings();
}

void thClearWarnings() {
    warnings().clear();
}

int thAtExitRegistrations() {
    return g_registrations;
}
