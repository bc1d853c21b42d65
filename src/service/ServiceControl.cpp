#include "service/ServiceControl.h"

#include "diagnostics/DebugLog.h"
#include "service/ServiceNames.h"
#include "service/ServiceStatus.h"

bool UpgradeRunInProgress() {
    win::unique_handle mutex(CreateMutexA(nullptr, FALSE, names::kRunMutex));
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

win::unique_schandle OpenManagerForChanges() {
    win::unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        YOL_LOG_WITH_ERROR_TEXT("OpenSCManager failed - ");
    }
    return manager;
}

win::unique_schandle OpenYolinstService(SC_HANDLE manager) {
    win::unique_schandle service(OpenServiceA(manager, names::kServiceName, SERVICE_ALL_ACCESS));
    if (!service) {
        YOL_LOG_WITH_ERROR_TEXT("OpenService failed - ");
    }
    return service;
}

void StopAndWait(SC_HANDLE service) {
    SERVICE_STATUS& status = SharedServiceStatus();
    if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        return;
    }
    YOL_LOG(outputstr("Stopping ") + names::kDisplayName);
    Sleep(1000);
    while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOP_PENDING) {
        YOL_LOG(".");
        Sleep(1000);
    }
    if (status.dwCurrentState == SERVICE_STOPPED) {
        YOL_LOG(outputstr(names::kDisplayName) + " stopped.");
    } else {
        YOL_LOG(outputstr(names::kDisplayName) + " failed to stop.");
    }
}
