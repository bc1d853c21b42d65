// The setup command line: its user-interface and IDCENABLE options, the order of its pieces, and
// the check that it fits the caller's buffer. Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace installer {

// The caller's buffer; the line must be shorter so that its terminator fits too.
constexpr std::size_t kCommandLineBufferSize = 4096;
// GenerateCommandLine's result when no line can be produced.
constexpr int kResultFailed = 113;

// The installer's UI switch for the configured "UserInterfaceLevel" (compared after upper-casing,
// whole words only): NORMAL "/qf", UNATTENDED "/qb!-", anything else "/qn".
const char* UserInterfaceOption(const std::string& level);

// "IDCENABLE=0" or "IDCENABLE=1" when Setup.ini's command line sets it (the first IDCENABLE, case
// as written, white space allowed around "="), else empty.
std::string FindIdcOption(const std::string& setupCmdLine);

struct CommandLinePieces {
    std::string storagePath;
    std::string userInterface;    // always present
    std::string logOption;        // empty: absent
    std::string idcOption;        // empty: absent
    std::uint32_t callerPid = 0;  // 0: absent
};

// "<storage>\setup.exe" /w /s /v"<options> REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade"
std::string ComposeCommandLine(const CommandLinePieces& pieces);

// Copies `line` with its terminator into `buffer` (kCommandLineBufferSize bytes), logs it and
// returns `result`. A line of kCommandLineBufferSize characters or more is logged as too long,
// leaves the buffer untouched and gives kResultFailed.
int DeliverCommandLine(const std::string& line, char* buffer, int result);

}  // namespace installer
