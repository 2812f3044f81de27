// The loader and caller: what MATLAB does around each brindlecast(...) call.
#include "host_internal.h"
#include "test_host.h"

#include <exception>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using MexFunction = void (*)(int, mxArray*[], int, const mxArray*[]);

struct ThModule {
    std::string path;
#if defined(_WIN32)
    HMODULE handle = nullptr;
#else
    void* handle = nullptr;
#endif
    MexFunction entry = nullptr;
};

namespace {

std::string g_lastLoadError;
ThUnloadReport g_lastUnload;
ThModule* g_loaded = nullptr;  // MATLAB's per-module state here is global, so one at a time

struct Outcome {
    bool failed = false;
    std::string identifier;
    std::string message;
};

// Runs body as a call: an error it raises ends it, as it ends a MATLAB call.
template <typename Body>
Outcome guarded(Body body) {
    Outcome outcome;
    try {
        body();
    } catch (const ThHostError& error) {
        outcome = Outcome{true, error.identifier, error.message};
    } catch (const std::exception& error) {
        outcome = Outcome{true, "testhost:cppException", error.what()};
    } catch (...) {
        outcome = Outcome{true, "testhost:unknownException", "a non-standard C++ exception"};
    }
    return outcome;
}

#if defined(_WIN32)
std::string windowsError() {
    return "LoadLibrary/GetProcAddress error " + std::to_string(GetLastError());
}
#endif

}  // namespace

ThModule* thLoadModule(const char* path) {
    thiCheckThread("thLoadModule");
    g_lastLoadError.clear();
    if (path == nullptr) {
        g_lastLoadError = "no path";
        return nullptr;
    }
    if (g_loaded != nullptr) {
        g_lastLoadError = "a module is loaded already (" + g_loaded->path + ")";
        return nullptr;
    }
    thiResetModuleState();
    auto module = std::make_unique<ThModule>();
    module->path = path;
#if defined(_WIN32)
    module->handle = LoadLibraryA(path);
    if (module->handle == nullptr) {
        g_lastLoadError = windowsError();
        return nullptr;
    }
    // Through void(*)(void), which every function pointer type converts from and to.
    auto symbol = reinterpret_cast<void (*)(void)>(GetProcAddress(module->handle, "mexFunction"));
    if (symbol == nullptr) {
        g_lastLoadError = windowsError();
        FreeLibrary(module->handle);
        return nullptr;
    }
    module->entry = reinterpret_cast<MexFunction>(symbol);
#else
    module->handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module->handle == nullptr) {
        g_lastLoadError = dlerror();
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(module->handle, "mexFunction");
    if (symbol == nullptr) {
        const char* error = dlerror();
        g_lastLoadError = error != nullptr ? error : "mexFunction is null";
        dlclose(module->handle);
        return nullptr;
    }
    module->entry = reinterpret_cast<MexFunction>(symbol);
#endif
    g_loaded = module.release();
    return g_loaded;
}

std::string thLastLoadError() {
    return g_lastLoadError;
}

void thUnloadModule(ThModule* module) {
    thiCheckThread("thUnloadModule");
    if (module == nullptr) return;
    if (module != g_loaded) thiAbort("thUnloadModule: not the loaded module");
    g_lastUnload = ThUnloadReport{};
    if (ThiExitHook hook = thiTakeExitHook()) {
        g_lastUnload.exitHookRan = true;
        thiBeginCall();
        Outcome outcome = guarded([hook] { hook(); });
        g_lastUnload.reclaimed = thiEndCall(outcome.failed, nullptr, 0);
        g_lastUnload.failed = outcome.failed;
        g_lastUnload.identifier = outcome.identifier;
        g_lastUnload.message = outcome.message;
    }
#if defined(_WIN32)
    FreeLibrary(module->handle);
    g_lastUnload.stillLoaded = GetModuleHandleA(module->path.c_str()) != nullptr;
#else
    dlclose(module->handle);
    if (void* again = dlopen(module->path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        g_lastUnload.stillLoaded = true;
        dlclose(again);
    }
#endif
    g_loaded = nullptr;
    delete module;
}

ThUnloadReport thLastUnloadReport() {
    return g_lastUnload;
}

ThCallResult thCall(ThModule* module, int nlhs, const std::vector<const mxArray*>& inputs) {
    thiCheckThread("thCall");
    if (module == nullptr || module != g_loaded) thiAbort("thCall: not a loaded module");
    for (const mxArray* input : inputs) thiCheckInput(input);

    // Exactly sized heap arrays, so reading past nrhs or writing past the
    // output slots is an overrun AddressSanitizer reports.
    size_t slots = nlhs > 1 ? static_cast<size_t>(nlhs) : 1;
    std::unique_ptr<mxArray*[]> plhs(new mxArray*[slots]());
    std::unique_ptr<const mxArray*[]> prhs(new const mxArray*[inputs.size()]);
    for (size_t i = 0; i < inputs.size(); ++i) prhs[i] = inputs[i];
    std::string before = thiSnapshotInputs(prhs.get(), inputs.size());

    MexFunction entry = module->entry;
    int nrhs = static_cast<int>(inputs.size());
    mxArray** left = plhs.get();
    const mxArray** right = prhs.get();
    thiBeginCall();
    Outcome outcome = guarded([=] { entry(nlhs, left, nrhs, right); });

    ThCallResult result;
    // As MATLAB and Octave do: a call that returns with Ctrl-C raised stops
    // the script there, and what it returned is never seen.
    result.interrupted = thiTakeInterrupt();
    bool dropped = outcome.failed || result.interrupted;
    result.reclaimed = thiEndCall(dropped, left, slots);
    result.failed = outcome.failed;
    result.identifier = outcome.identifier;
    result.message = outcome.message;
    for (size_t i = 0; i < slots; ++i) result.outputs.push_back(dropped ? nullptr : left[i]);

    if (thiSnapshotInputs(prhs.get(), inputs.size()) != before) {
        thiAbort("the call wrote into one of its inputs");
    }
    return result;
}

void thReleaseOutputs(ThCallResult& result) {
    for (mxArray* output : result.outputs) thDestroyArray(output);
    result.outputs.clear();
}

ThCallResult thRunInCall(const std::function<void()>& body) {
    thiCheckThread("thRunInCall");
    thiBeginCall();
    Outcome outcome = guarded([&] { body(); });
    ThCallResult result;
    result.reclaimed = thiEndCall(outcome.failed, nullptr, 0);
    result.failed = outcome.failed;
    result.identifier = outcome.identifier;
    result.message = outcome.message;
    return result;
}
