// One whole service run in this process, as the debug run makes it (without its prompt). The test
// executable lies in a directory of its own with the signed stand-in setup.exe beside it, where
// the run finds it as its staged package.
#pragma once

#include <windows.h>

#include "service/Dispatcher.h"
#include "service/ServiceSystemCalls.h"
#include "win/unique_any.h"

namespace inprocess {

constexpr char kLinkKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL\\ZxLink\\ZxLink";
constexpr char kMarkerKey[] = "RUZIDUZU\\{DCCB9E52-6A84A746}";

// A value of the product link key in the 32-bit view (the client's service is not installed
// here); ~0 when it cannot be read.
inline DWORD LinkValue(const char* name) {
    DWORD value = ~0u;
    DWORD size = sizeof value;
    win::unique_hkey link;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLinkKey, 0, KEY_READ | KEY_WOW64_32KEY, link.put()) ==
        ERROR_SUCCESS) {
        RegQueryValueExA(link.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size);
    }
    return value;
}

// Forgets every earlier attempt, status and result: the next run takes the first-time path, and
// the status read afterwards is the one it wrote.
inline void ForgetAttempts() {
    win::unique_hkey link;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLinkKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      link.put()) == ERROR_SUCCESS) {
        RegDeleteValueA(link.get(), "LaunchSetup");
        RegDeleteValueA(link.get(), "YolInstResult");
        RegDeleteValueA(link.get(), "YolSetupStatus");
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kMarkerKey);
}

// Without a Service Control Manager the status reports are accepted here, for the object's life.
struct CAcceptedStatusReports {
    CAcceptedStatusReports() {
        SystemCalls().setServiceStatus = [](SERVICE_STATUS_HANDLE, LPSERVICE_STATUS) {
            return TRUE;
        };
    }
    ~CAcceptedStatusReports() { SystemCalls() = RealSystemCalls(); }
};

// The service body once. A stop request is held signalled meanwhile, so the run's look for one
// returns at once (and the run goes on); the request is withdrawn when the run has ended.
inline void RunServiceBody() {
    win::unique_handle stop(CreateEventA(nullptr, TRUE, TRUE, "StopYolInstServiceEvent"));
    RunDebugConsole();
}

}  // namespace inprocess
