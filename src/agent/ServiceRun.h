// The service body and its stop handshake.
#pragma once

#include <windows.h>

// Runs one upgrade run; returns when it is over. `argv[1]`, when `argc` is 2, is the process ID
// the start command passed. The debug run passes 0 and null.
void ServiceStart(DWORD argc, LPSTR* argv);

// Asks a running ServiceStart to finish; returns when it has, or after at most 120000 ms.
void ServiceStop();
