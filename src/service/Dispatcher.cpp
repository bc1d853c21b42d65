#include "service/Dispatcher.h"

#include <exception>

#include "agent/ServiceRun.h"
#include "diagnostics/DebugLog.h"
#include "service/ServiceNames.h"
#include "service/ServiceStatus.h"
#include "service/ServiceSystemCalls.h"
#include "win/com_error.h"

namespace {

// Without a stopped report the dispatcher would never return and the agent would never remove
// itself: tell the SCM that the service stopped because of an exception.
void ReportStoppedAfterException() {
    if (HasServiceStatusHandle()) {
        ReportServiceStatus(SERVICE_STOPPED, ERROR_EXCEPTION_IN_SERVICE, 0);
    }
}

}  // namespace

void DoNTService() {
    char serviceName[sizeof names::kServiceName];
    lstrcpynA(serviceName, names::kServiceName, sizeof serviceName);
    const SERVICE_TABLE_ENTRYA table[] = {{serviceName, &service_main}, {nullptr, nullptr}};
    YOL_LOG("<DoNTService> Start Service Control Dispatcher.");
    if (!StartServiceCtrlDispatcherA(table)) {
        const DWORD error = GetLastError();
        YOL_LOG("<DoNTService> Start Service Control Dispatcher Failed.");
        SetLastError(error);  // the event reports the dispatcher's error, not the log's
        LogServiceError("StartServiceCtrlDispatcher failed.");
    }
}

void WINAPI service_main(DWORD argc, LPSTR* argv) {
    SERVICE_STATUS_HANDLE handle =
        SystemCalls().registerServiceCtrlHandler(names::kServiceName, &ServiceControlHandler);
    if (handle == nullptr) {
        return;
    }
    SetServiceStatusHandle(handle);
    InitServiceStatus();
    try {
        if (ReportServiceStatus(SERVICE_RUNNING, NO_ERROR, 0)) {
            ServiceStart(argc, argv);
        }
        if (HasServiceStatusHandle()) {
            ReportServiceStatus(SERVICE_STOPPED, LastServiceError(), 0);
        }
    } catch (const std::exception& e) {
        YOL_LOG(outputstr("Exception thrown in service_main: ") + e.what());
        ReportStoppedAfterException();
    } catch (const win::com_error& e) {
        YOL_LOG(outputstr("Atl exception thrown in service_main. HRESULT:") +
                static_cast<long>(e.hr()));
        ReportStoppedAfterException();
    }
}

void WINAPI ServiceControlHandler(DWORD control) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        ReportServiceStatus(SERVICE_STOP_PENDING, NO_ERROR, 0);
        ServiceStop();
        return;
    }
    ReportServiceStatus(CurrentServiceState(), NO_ERROR, 0);
}

void RunDebugConsole() {
    YOL_LOG(outputstr("Debugging ") + names::kDisplayName + ", press ctrl-c to exit.");
    SetConsoleCtrlHandler(&ConsoleControlHandler, TRUE);
    ServiceStart(0, nullptr);
}

BOOL WINAPI ConsoleControlHandler(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    YOL_LOG(outputstr("Stopping ") + names::kDisplayName);
    ServiceStop();
    return TRUE;
}
