// An enabled debug log that keeps the last line, so a target runs the logging of the code it
// fuzzes (message building over the fuzzed texts) and can check what was logged.
#pragma once

#include <string>

#include "diagnostics/DebugLog.h"

class CFuzzLog : public IDebugLog {
public:
    CFuzzLog() : m_previous(InstallDebugLog(this)) {}
    ~CFuzzLog() override { InstallDebugLog(m_previous); }
    CFuzzLog(const CFuzzLog&) = delete;
    CFuzzLog& operator=(const CFuzzLog&) = delete;
    void Enable() override {}
    void Disable() override {}
    bool IsEnabled() const override { return true; }
    void Output(const outputstr& line) override { last = line.c_str(); }

    std::string last;

private:
    IDebugLog* m_previous;
};
