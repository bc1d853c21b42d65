#include "service/ServiceStatus.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "service/DebugMode.h"
#include "service/ErrorText.h"
#include "service/Platform.h"
#include "service/ServiceNames.h"
#include "service/ServiceSystemCalls.h"
#include "service/StatusRules.h"
#include "win/unique_any.h"

namespace {

std::mutex g_statusLock;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status = {};
status::CCheckPointCounter g_checkPoints;
// Written by whichever thread logs a service error, read by the stopped report.
std::atomic<DWORD> g_lastServiceError{0};
char g_errorText[kErrorTextBuffer] = {};

}  // namespace

void SetServiceStatusHandle(SERVICE_STATUS_HANDLE handle) {
    std::lock_guard<std::mutex> lock(g_statusLock);
    g_statusHandle = handle;
}

bool HasServiceStatusHandle() {
    std::lock_guard<std::mutex> lock(g_statusLock);
    return g_statusHandle != nullptr;
}

void InitServiceStatus() {
    std::lock_guard<std::mutex> lock(g_statusLock);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwServiceSpecificExitCode = 0;
}

DWORD CurrentServiceState() {
    std::lock_guard<std::mutex> lock(g_statusLock);
    return g_status.dwCurrentState;
}

SERVICE_STATUS& SharedServiceStatus() {
    return g_status;
}

int ReportServiceStatus(DWORD state, DWORD exitCode, DWORD waitHint) {
    if (IsDebugMode() || CurrentPlatformId() != VER_PLATFORM_WIN32_NT) {
        return 1;
    }
    BOOL reported = FALSE;
    DWORD error = ERROR_SUCCESS;
    {
        std::lock_guard<std::mutex> lock(g_statusLock);
        g_status.dwCurrentState = state;
        g_status.dwWin32ExitCode = exitCode;
        g_status.dwWaitHint = waitHint;
        g_status.dwControlsAccepted = status::AcceptedControlsFor(state);
        g_status.dwCheckPoint = g_checkPoints.Next(state);
        reported = SystemCalls().setServiceStatus(g_statusHandle, &g_status);
        error = GetLastError();
    }
    if (!reported) {
        SetLastError(error);  // the event carries SetServiceStatus's error, not the unlock's
        LogServiceError("SetServiceStatus");
        return 0;
    }
    return reported;
}

DWORD LastServiceError() {
    return g_lastServiceError;
}

void LogServiceError(const char* what) {
    if (IsDebugMode()) {
        return;
    }
    const DWORD error = GetLastError();
    g_lastServiceError = error;
    const ServiceSystemCalls& calls = SystemCalls();
    HANDLE source = calls.registerEventSource(nullptr, names::kEventSource);
    if (source == nullptr) {
        return;  // no source, no event: nothing else to tell
    }
    char first[256];
    std::snprintf(first, sizeof first, "%s error: %d", names::kEventSource,
                  static_cast<int>(error));
    const char* strings[2] = {first, what};
    calls.reportEvent(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 2, 0, strings, nullptr);
    calls.deregisterEventSource(source);
}

const char* FormatLastErrorText() {
    const DWORD code = GetLastError();
    char* systemText = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        nullptr, code, 0, reinterpret_cast<char*>(&systemText), 0, nullptr);
    win::unique_hlocal owner(systemText);
    const std::string text = ComposeErrorText(length != 0 ? systemText : nullptr, code);
    std::snprintf(g_errorText, sizeof g_errorText, "%s", text.c_str());
    return g_errorText;
}
