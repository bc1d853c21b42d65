// The service side of the process: the control dispatcher, the service main function, the control
// handler, and the debug run of the same service body without the Service Control Manager.
#pragma once

#include <windows.h>

// Runs the dispatcher; returns when the service has stopped or the dispatcher could not start.
void DoNTService();

void WINAPI service_main(DWORD argc, LPSTR* argv);
void WINAPI ServiceControlHandler(DWORD control);

// Runs the service body in this process; Ctrl-C and Ctrl-Break ask it to stop.
void RunDebugConsole();
BOOL WINAPI ConsoleControlHandler(DWORD event);
