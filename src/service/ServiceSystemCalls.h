// The Win32 calls of the status report, the event log and the handler registration, through a
// table that tests can replace: Wine's event log cannot be read back, SetServiceStatus cannot be
// made to fail on demand and a handler registers only inside the SCM's dispatcher. Production code
// never changes the table.
#pragma once

#include <windows.h>

struct ServiceSystemCalls {
    decltype(&::SetServiceStatus) setServiceStatus;
    decltype(&::RegisterEventSourceA) registerEventSource;
    decltype(&::ReportEventA) reportEvent;
    decltype(&::DeregisterEventSource) deregisterEventSource;
    decltype(&::RegisterServiceCtrlHandlerA) registerServiceCtrlHandler;
};

// The table in use; initially the real functions.
ServiceSystemCalls& SystemCalls();
// The real functions, for tests that restore or wrap them.
const ServiceSystemCalls& RealSystemCalls();
