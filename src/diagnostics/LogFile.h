// The log file "yolinst.log" beside the executable, written through the debug log.
#pragma once

#include <string>

#include "diagnostics/outputstr.h"

// Opens the log file (append below 16384 bytes, else truncate) and installs the debug log.
// A file "yolinst.debug" beside the executable enables the log before the header is written.
void InitializeLog();
// The same, for an executable at `modulePath` (InitializeLog passes its own; tests pass others).
void InitializeLogForModule(const std::string& modulePath);

// Writes the stamp and the line, then flushes; lines from concurrent threads never interleave.
// An empty line writes nothing.
void WriteLogLine(const outputstr& line);

// Flushes and closes the file; later lines are dropped.
void CloseLog();
