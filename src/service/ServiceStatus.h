// The service status reported to the Service Control Manager, the event-log error reports and the
// text of the last Win32 error. Shared by the dispatcher thread and the service thread.
#pragma once

#include <windows.h>

#include <utility>

#include "diagnostics/DebugLog.h"

// Stores the handle RegisterServiceCtrlHandlerA returned (null until then).
void SetServiceStatusHandle(SERVICE_STATUS_HANDLE handle);
bool HasServiceStatusHandle();

// Fills the record and reports it; one report at a time across threads. Returns non-zero on
// success; in debug mode or off the NT platform it reports nothing and returns 1.
int ReportServiceStatus(DWORD state, DWORD exitCode, DWORD waitHint);

// Type and service-specific exit code, set once when the service main starts.
void InitServiceStatus();

// The state last reported (for answering interrogate and other controls).
DWORD CurrentServiceState();

// The record the commands poll the service into (QueryServiceStatus, ControlService).
SERVICE_STATUS& SharedServiceStatus();

// Stores GetLastError() and writes an error event of source "Yolinst" with "Yolinst error: <n>"
// and `what`. Does nothing in debug mode.
void LogServiceError(const char* what);

// The last error stored by LogServiceError (0 if none): the exit code of the stopped report.
DWORD LastServiceError();

// "<system text> (0x<code>)" for GetLastError(), or "" when the text does not fit 256 bytes.
// Returns a process-wide buffer that the next call overwrites.
const char* FormatLastErrorText();

// Logs `prefix` (anything outputstr can start from) followed by the error text of the thread's
// last error, read before anything else can change it.
#define YOL_LOG_WITH_ERROR_TEXT(prefix)                             \
    do {                                                            \
        const DWORD yolError_ = GetLastError();                     \
        if (IDebugLog* yolLog_ = EnabledDebugLog()) {               \
            outputstr yolLine_(prefix);                             \
            SetLastError(yolError_);                                \
            const char* yolText_ = FormatLastErrorText();           \
            yolLog_->Output(std::move(yolLine_) + yolText_ + "\n"); \
        }                                                           \
    } while (0)
