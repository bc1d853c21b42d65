// Interim service body: the service host is complete before the upgrade run exists, so this body
// only records that it was called and with which start argument, then returns. The upgrade run
// replaces this file.
#include "agent/ServiceRun.h"

#include "diagnostics/DebugLog.h"

void ServiceStart(DWORD argc, LPSTR* argv) {
    const char* argument = (argc >= 2 && argv != nullptr && argv[1] != nullptr) ? argv[1] : "";
    YOL_LOG(outputstr("<ServiceStart> Interim run: argument count ") +
            static_cast<unsigned long>(argc) + ", start argument \"" + argument + "\"");
}

void ServiceStop() {}
