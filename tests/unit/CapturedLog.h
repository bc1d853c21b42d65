// Records the debug log's lines, in place of the log file, while it exists: all of them, and the
// last one apart. Shared by the core and Win32 tests and the fuzz targets.
#pragma once

#include <string>

#include "diagnostics/DebugLog.h"

class CCapturedLog : public IDebugLog {
public:
    CCapturedLog() : m_previous(InstallDebugLog(this)) {}
    ~CCapturedLog() override { InstallDebugLog(m_previous); }
    CCapturedLog(const CCapturedLog&) = delete;
    CCapturedLog& operator=(const CCapturedLog&) = delete;
    void Enable() override {}
    void Disable() override {}
    bool IsEnabled() const override { return true; }
    void Output(const outputstr& line) override {
        last = line.c_str();
        text += last;
    }

    std::string text;
    std::string last;

private:
    IDebugLog* m_previous;
};
