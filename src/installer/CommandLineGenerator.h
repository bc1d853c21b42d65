// Builds the unattended command line setup.exe is started with, after checking that the staged
// package is not older than the installed product.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CommandLineGenerator {
public:
    static constexpr std::size_t kBufferSize = 4096;

    explicit CommandLineGenerator(const char* storagePath);
    ~CommandLineGenerator();
    CommandLineGenerator(const CommandLineGenerator&) = delete;
    CommandLineGenerator& operator=(const CommandLineGenerator&) = delete;

    void SetLogOption(bool enabled) { m_logOption = enabled; }
    void SetCallerPid(std::uint32_t pid) { m_callerPid = pid; }

    // Writes the command line into `buffer` (kBufferSize bytes). 0 on success; otherwise the
    // reason no setup may run, and the buffer holds nothing useful.
    int GenerateCommandLine(char* buffer);

private:
    std::string m_storagePath;
    bool m_logOption = false;
    std::uint32_t m_callerPid = 0;
};
