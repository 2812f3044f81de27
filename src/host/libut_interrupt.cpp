// MATLAB's Ctrl-C flag, utIsInterruptPending of libut: undocumented but in
// every MATLAB for many years. It is looked up at run time rather than
// imported, so that a MATLAB without it still loads the module (which then
// sees no interrupt). The test host exports the same function.
#include "host/host_interrupt.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

typedef bool (*InterruptTest)(void);

// Looked up once a load: statics start afresh when the host reloads the module.
bool lookedUp = false;
InterruptTest interruptTest = nullptr;

InterruptTest findInterruptTest() {
#if defined(_WIN32)
    HMODULE libut = GetModuleHandleA("libut.dll");
    if (libut == nullptr) return nullptr;
    // Through void(*)(void), which every function pointer type converts from and to.
    return reinterpret_cast<InterruptTest>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(libut, "utIsInterruptPending")));
#else
    return reinterpret_cast<InterruptTest>(dlsym(RTLD_DEFAULT, "utIsInterruptPending"));
#endif
}

}  // namespace

bool hostInterruptPending() {
    if (!lookedUp) {
        interruptTest = findInterruptTest();
        lookedUp = true;
    }
    return interruptTest != nullptr && interruptTest();
}
