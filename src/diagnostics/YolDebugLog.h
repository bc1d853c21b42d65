// The one debug-log implementation: a flag, and lines go to the log file.
#pragma once

#include "diagnostics/DebugLog.h"

class CYolDbgOutputDebugLog : public IDebugLog {
public:
    void Enable() override { m_enabled = true; }
    void Disable() override { m_enabled = false; }
    bool IsEnabled() const override { return m_enabled; }
    void Output(const outputstr& line) override;

    static CYolDbgOutputDebugLog& Instance();

private:
    bool m_enabled = false;
};
