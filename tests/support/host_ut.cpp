// libut: MATLAB's Ctrl-C flag, which the module looks up at run time. The
// flag may be raised from any thread, as Ctrl-C comes at any moment; only the
// host's thread may ask for it, as only it may call the host.
#include "host_internal.h"
#include "test_host.h"

#include <atomic>

namespace {

std::atomic<bool> g_interruptPending{false};

}  // namespace

extern "C" bool utIsInterruptPending(void) {
    thiCheckThread("utIsInterruptPending");
    return g_interruptPending.load();
}

void thRaiseInterrupt() {
    g_interruptPending.store(true);
}

bool thiTakeInterrupt() {
    return g_interruptPending.exchange(false);
}
