// Starts a program hidden, optionally waiting for it to end.
#pragma once

// `commandLine` may be null. Returns 0 when the process was created, -1 otherwise (including a
// failed copy of the command line). The exit code is not read.
int LaunchProcessAndWait(const char* programPath, const char* commandLine, bool wait);
