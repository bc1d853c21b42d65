#include "diagnostics/YolDebugLog.h"

#include "diagnostics/LogFile.h"

void CYolDbgOutputDebugLog::Output(const outputstr& line) {
    WriteLogLine(line);
}

CYolDbgOutputDebugLog& CYolDbgOutputDebugLog::Instance() {
    static CYolDbgOutputDebugLog instance;
    return instance;
}
