// The text rules of the log file: where it lives, whether it is appended to, and how a line looks.
#pragma once

#include <cstdint>
#include <string>

namespace diag {

// Files of this size or larger are emptied at start instead of appended to.
constexpr std::uint64_t kLogAppendLimit = 16384;

// "<directory of the executable>\yolinst.log", or "c:\yolinst.log" when the path has no backslash.
// The result is cut to 299 characters, as the 300-byte path buffer holds.
std::string LogPathForModule(const std::string& modulePath);

enum class LogOpenMode { Append, Truncate };
// Append only to an existing file smaller than kLogAppendLimit.
LogOpenMode ChooseLogOpenMode(bool exists, std::uint64_t size);

// The stamp in front of every line: "MM/DD hh:mm:ss.mmm " (two digits each, three for the ms).
std::string FormatLogStamp(int month, int day, int hour, int minute, int second, int millisecond);

// "====== YolInst starts at <time>======" (without the line break).
std::string LogHeader(const std::string& clockTime);

}  // namespace diag
