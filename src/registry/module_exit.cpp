#include "host/mex_api.h"
#include "registry/port_registry.h"

void onModuleExit() {
    if (portRegistry.anchor.next == nullptr) return;
    mexWarnMsgTxt(
        "Closing all open Serial Port. It is no longer possible to write to any previously open "
        "Serial Port.");
    closeAllPorts();
}
