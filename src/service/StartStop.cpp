#include "service/StartStop.h"

#include <windows.h>

#include <cstdio>

#include "diagnostics/DebugLog.h"
#include "service/Platform.h"
#include "service/ServiceControl.h"
#include "service/ServiceNames.h"
#include "service/ServiceStatus.h"
#include "service/StartWait.h"
#include "win/unique_any.h"

namespace {

void LogStatusLine(const char* format, DWORD value) {
    if (IDebugLog* log = EnabledDebugLog()) {
        char line[256];
        std::snprintf(line, sizeof line, format, static_cast<int>(value));
        log->Output(outputstr(line) + "\n");
    }
}

void LogStartFailure(const SERVICE_STATUS& status) {
    const DWORD lastError = GetLastError();
    YOL_LOG(outputstr(names::kDisplayName) + " failed to start.");
    LogStatusLine("  Current State: %d\n", status.dwCurrentState);
    LogStatusLine("  Exit Code: %d\n", status.dwWin32ExitCode);
    LogStatusLine("  Service Specific Exit Code: %d\n", status.dwServiceSpecificExitCode);
    LogStatusLine("  Check Point: %d\n", status.dwCheckPoint);
    LogStatusLine("  Wait Hint: %d\n", status.dwWaitHint);
    LogStatusLine("  Last Error Code: %d\n", lastError);
}

}  // namespace

void StartServiceAndWait() {
    win::unique_schandle manager = OpenManagerForChanges();
    if (!manager) {
        return;
    }
    win::unique_schandle service = OpenYolinstService(manager.get());
    if (!service) {
        return;
    }
    char pidText[32] = {};
    const int written = std::snprintf(pidText, sizeof pidText, "%lu",
                                      static_cast<unsigned long>(GetCurrentProcessId()));
    const char* arguments[1] = {pidText};
    const BOOL started = written > 0 ? StartServiceA(service.get(), 1, arguments)
                                     : StartServiceA(service.get(), 0, nullptr);
    if (!started) {
        YOL_LOG_WITH_ERROR_TEXT("StartService failed - ");
        return;
    }
    YOL_LOG(outputstr("Starting ") + names::kDisplayName);
    Sleep(1000);

    SERVICE_STATUS& status = SharedServiceStatus();
    if (!QueryServiceStatus(service.get(), &status)) {
        YOL_LOG_WITH_ERROR_TEXT("StartService failed - ");
        return;
    }
    CStartProgress progress(status.dwCheckPoint, GetTickCount());
    while (status.dwCurrentState == SERVICE_START_PENDING) {
        Sleep(StartPollInterval(status.dwWaitHint));
        if (!QueryServiceStatus(service.get(), &status)) {
            YOL_LOG_WITH_ERROR_TEXT("QueryServiceStatus failed - ");
            break;
        }
        if (!progress.Observe(status.dwCheckPoint, status.dwWaitHint, GetTickCount())) {
            YOL_LOG("StartStatus - No progress made within the wait hint");
            break;
        }
        YOL_LOG(".");
    }
    if (status.dwCurrentState == SERVICE_RUNNING) {
        YOL_LOG(outputstr(names::kDisplayName) + " started.");
    } else {
        LogStartFailure(status);
    }
}

void StopServiceAndWait() {
    win::unique_schandle manager = OpenManagerForChanges();
    if (!manager) {
        return;
    }
    win::unique_schandle service = OpenYolinstService(manager.get());
    if (!service) {
        return;
    }
    StopAndWait(service.get());
}

void mfn_StartService() {
    YOL_LOG("<mfn_StartService> Begin.");
    if (UpgradeRunInProgress()) {
        YOL_LOG("<mfn_StartService> Create Mutex of yolinstall_exist failed.");
        return;
    }
    if (CheckWindowsPlatform() != 0) {
        YOL_LOG("The system isn't Windows NT.");
    } else {
        StartServiceAndWait();
    }
    YOL_LOG("<mfn_StartService> End.");
}

void mfn_StopService() {
    if (CheckWindowsPlatform() != 0) {
        YOL_LOG("The system isn't Windows NT.");
        return;
    }
    StopServiceAndWait();
}
