// The process-wide debug log. Every site tests IsEnabled before building a message, so a disabled
// log costs one virtual call per site: use YOL_LOG, which does exactly that.
#pragma once

#include "diagnostics/outputstr.h"

class IDebugLog {
public:
    virtual ~IDebugLog() = default;
    virtual void Enable() = 0;
    virtual void Disable() = 0;
    virtual bool IsEnabled() const = 0;
    virtual void Output(const outputstr& line) = 0;
};

// The installed log, or null before InitializeLog has run (or when it found no executable path).
IDebugLog* GetDebugLog() noexcept;
// Publishes `log` with an atomic exchange; returns the previous one.
IDebugLog* InstallDebugLog(IDebugLog* log) noexcept;

// The installed log if it is enabled, else null.
inline IDebugLog* EnabledDebugLog() noexcept {
    IDebugLog* log = GetDebugLog();
    return (log != nullptr && log->IsEnabled()) ? log : nullptr;
}

// Writes one line: the message (anything outputstr can start from) followed by "\n".
// The message is only built when the log is enabled.
#define YOL_LOG(message)                                \
    do {                                                \
        if (IDebugLog* yolLog_ = EnabledDebugLog()) {   \
            yolLog_->Output(outputstr(message) + "\n"); \
        }                                               \
    } while (0)
