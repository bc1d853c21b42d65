#include "diagnostics/LogFormat.h"

#include <cstdio>

namespace diag {

std::string LogPathForModule(const std::string& modulePath) {
    const std::string::size_type slash = modulePath.rfind('\\');
    if (slash == std::string::npos) {
        return "c:\\yolinst.log";
    }
    char path[300];
    std::snprintf(path, sizeof path, "%s\\yolinst.log", modulePath.substr(0, slash).c_str());
    return path;
}

LogOpenMode ChooseLogOpenMode(bool exists, std::uint64_t size) {
    return (exists && size < kLogAppendLimit) ? LogOpenMode::Append : LogOpenMode::Truncate;
}

std::string FormatLogStamp(int month, int day, int hour, int minute, int second, int millisecond) {
    char stamp[128];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d %02d:%02d:%02d.%03d ", month, day, hour, minute,
                  second, millisecond);
    return stamp;
}

std::string LogHeader(const std::string& clockTime) {
    return "====== YolInst starts at " + clockTime + "======";
}

}  // namespace diag
