// Interim command line: no version check and no installer options yet, only the quoted path of
// setup.exe. The full generator replaces this file.
#include "installer/CommandLineGenerator.h"

#include <cstdio>

CommandLineGenerator::CommandLineGenerator(const char* storagePath)
    : m_storagePath(storagePath ? storagePath : "") {}

CommandLineGenerator::~CommandLineGenerator() = default;

int CommandLineGenerator::GenerateCommandLine(char* buffer) {
    const int written =
        std::snprintf(buffer, kBufferSize, "\"%s\\setup.exe\"", m_storagePath.c_str());
    return (written > 0 && static_cast<std::size_t>(written) < kBufferSize) ? 0 : 1;
}
