// The installation-log option of the setup command line: where it comes from, which part of the
// source text it is, and how it is made safe to stand inside the quoted installer options.
// Platform-independent: the environment is reached through a lookup function.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace installer {

// Source text and result are held in 260-character working buffers (terminator included).
constexpr std::size_t kLogOptionMaxLength = 259;

// The value of an environment variable; empty when it is not defined.
using EnvironmentLookup = std::function<std::string(const std::string& name)>;

// The first "/l" or "/L" in `text` with its argument (the word after the first blank that follows
// the switch, or a double-quoted text there, quotes included); to the end of the text when that
// blank or the closing quote is missing. Empty when there is no log switch.
std::string FindLogSwitch(const std::string& text);

// The option as it goes inside the quoted installer options: each double quote becomes \" and
// each %NAME% becomes the variable's value. Cut at kLogOptionMaxLength characters, never inside
// an escaped quote.
std::string EscapeAndExpand(const std::string& option, const EnvironmentLookup& lookup);

// The whole rule: "/l*v " + `configuredName` when one is configured, else the log switch of
// Setup.ini's `setupCmdLine`, else /l*v "%TEMP%\INSTALL.LOG"; then escaped and expanded. A source
// text longer than kLogOptionMaxLength (an overlong configured name) is cut, not refused: the
// log switch then runs to the cut, and setup still gets a log option.
std::string BuildLogOption(const std::string& configuredName, const std::string& setupCmdLine,
                           const EnvironmentLookup& lookup);

}  // namespace installer
